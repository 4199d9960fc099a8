#include "password/changepassscreen.h"
#include "password/passwordstore.h"
#include "shell/application.h"
#include "shell/mainmenuscreen.h"

#include "appfixture.h"
#include "screentest.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>

namespace {

const Message emptyQuestion{"Clave nula", "Ha introducido un valor nulo para la clave de accesso, ¿Desea continuar?",
                            MessageIcon::Warning, MessageButtons::YesNo};
const Message mismatch{"La repetición de la clave no coincide",
                       "Las claves introducidas no coinciden.\n\rCompruebe que la clave y su confirmación coinciden.",
                       MessageIcon::Warning};
const Message unstorable{"Clave no válida",
                         "La clave introducida no se puede guardar en el fichero de claves.\n\rElija otra clave.",
                         MessageIcon::Warning};
const Message accepted{"Clave de acceso modificada.", "La clave de acceso a los modems ADSL ha sido modificada.",
                       MessageIcon::Information};

void type(QLineEdit *field, const QString &text)
{
    field->clear();
    QTest::keyClicks(field, text);
}

} // namespace

class TestChangePassScreen : public QObject
{
    Q_OBJECT

    std::unique_ptr<AppFixture> f;
    ChangePassScreen *screen = nullptr;

    // Through the main menu, as the installer does.
    bool open()
    {
        click(f->app.mainMenu()->M_changePass);
        return QTest::qWaitForWindowActive(screen);
    }

private slots:
    void init()
    {
        f = std::make_unique<AppFixture>();
        QVERIFY(storePassword("abc"));
        f->app.start();
        QVERIFY(QTest::qWaitForWindowActive(f->app.mainMenu()));
        screen = f->app.changePass();
        QVERIFY(open());
    }
    void cleanup() { f.reset(); }

    void controls()
    {
        QCOMPARE(screen->windowTitle(), QString("Modificar clave de acceso..."));
        const QList<std::pair<const char *, QString>> captions{
            {"pass1Title", "Clave:"}, {"pass2Title", "Confirmar clave:"}, {"savePass", "&Salvar"}, {"back2main", "&Volver"}};
        for (const auto &[name, text] : captions)
            QCOMPARE(caption(screen, name), text);
        QCOMPARE(tabOrder(screen->pass1, 4), (QStringList{"pass1", "pass2", "savePass", "back2main"}));
        for (QLineEdit *field : {screen->pass1, screen->pass2}) {
            QCOMPARE(field->echoMode(), QLineEdit::Password);
            type(field, "abcdefghijklmnop"); // the fifteenth character is refused
            QCOMPARE(field->text(), QString("abcdefghijklmn"));
        }
    }

    // Save, or leaving by the back button or by closing the window ("how").
    void saveOrLeave_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::addColumn<MessageAnswer>("answer");
        QTest::addColumn<QList<Message>>("expected");
        const MessageAnswer none = MessageAnswer::Ok;
        QTest::newRow("equal") << "save" << "nueva" << "nueva" << none << QList<Message>{accepted};
        QTest::newRow("differ in case") << "save" << "nueva" << "Nueva" << none << QList<Message>{mismatch};
        QTest::newRow("second empty") << "save" << "nueva" << "" << none << QList<Message>{mismatch};
        QTest::newRow("both empty, No") << "save" << "" << "" << MessageAnswer::No << QList<Message>{emptyQuestion};
        QTest::newRow("both empty, Yes") << "save" << "" << "" << MessageAnswer::Yes << QList<Message>{emptyQuestion, accepted};
        QTest::newRow("unstorable") << "save" << "1234" << "1234" << none << QList<Message>{unstorable}; // scrambles to a quote
        QTest::newRow("back2main") << "back" << "otra" << "distinta" << none << QList<Message>();
        QTest::newRow("window closed") << "close" << "otra" << "distinta" << none << QList<Message>();
    }
    void saveOrLeave()
    {
        QFETCH(QString, how);
        QFETCH(QString, first);
        QFETCH(QString, second);
        QFETCH(MessageAnswer, answer);
        QFETCH(QList<Message>, expected);
        const QByteArray stored = readBytes(passwordFileName);
        type(screen->pass1, first);
        type(screen->pass2, second);
        f->boxes.answers = {answer};
        if (how == "close")
            screen->close();
        else
            click(how == "back" ? screen->back2main : screen->savePass);
        QCOMPARE(f->boxes.shown, expected);
        const bool done = how != "save" || expected.last() == accepted;
        QCOMPARE(screen->isVisible(), !done);
        QCOMPARE(f->app.mainMenu()->isVisible(), done);
        // Leaving takes back what was typed; a save keeps it either way, the
        // new password waiting in pass1, and nothing is written until a transfer.
        QCOMPARE(screen->pass1->text(), how == "save" ? first : "abc");
        QCOMPARE(screen->pass2->text(), how == "save" ? second : "abc");
        QCOMPARE(screen->currentPass, QString("abc"));
        QCOMPARE(readBytes(passwordFileName), stored);
    }

    void activationReloadsFile()
    {
        type(screen->pass1, "nueva");
        type(screen->pass2, "nueva");
        click(screen->savePass);
        QVERIFY(QTest::qWaitForWindowActive(f->app.mainMenu()));

        // A transfer stored another password meanwhile; the unused one is
        // gone. Longer than can be typed, it is held whole, for the next
        // transfer sets and stores what pass1 holds.
        const QString stored = "guardadaporotrotransfer";
        QVERIFY(storePassword(stored));
        QCOMPARE(screen->currentPass, QString("abc"));
        QVERIFY(open());
        QCOMPARE(screen->pass1->text(), stored);
        QCOMPARE(screen->pass2->text(), stored);
        QCOMPARE(screen->currentPass, stored);
        QTest::keyClick(screen->pass1, Qt::Key_End);
        QTest::keyClicks(screen->pass1, "x");
        QCOMPARE(screen->pass1->text(), stored);
    }
};

QTEST_MAIN(TestChangePassScreen)
#include "tst_changepassscreen.moc"
