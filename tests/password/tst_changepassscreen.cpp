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

    void save_data()
    {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::addColumn<MessageAnswer>("answer");
        QTest::addColumn<QList<Message>>("expected");
        const MessageAnswer none = MessageAnswer::Ok;
        QTest::newRow("equal") << "nueva" << "nueva" << none << QList<Message>{accepted};
        QTest::newRow("differ in case") << "nueva" << "Nueva" << none << QList<Message>{mismatch};
        QTest::newRow("second empty") << "nueva" << "" << none << QList<Message>{mismatch};
        QTest::newRow("both empty, No") << "" << "" << MessageAnswer::No << QList<Message>{emptyQuestion};
        QTest::newRow("both empty, Yes") << "" << "" << MessageAnswer::Yes << QList<Message>{emptyQuestion, accepted};
        QTest::newRow("unstorable") << "1234" << "1234" << none << QList<Message>{unstorable}; // scrambles to a quote
    }
    void save()
    {
        QFETCH(QString, first);
        QFETCH(QString, second);
        QFETCH(MessageAnswer, answer);
        QFETCH(QList<Message>, expected);
        const QByteArray stored = readBytes(passwordFileName);
        type(screen->pass1, first);
        type(screen->pass2, second);
        f->boxes.answers = {answer};
        click(screen->savePass);
        QCOMPARE(f->boxes.shown, expected);
        const bool done = expected.last() == accepted;
        QCOMPARE(screen->isVisible(), !done);
        QCOMPARE(f->app.mainMenu()->isVisible(), done);
        // Typed texts stay either way; the new password waits in pass1 and
        // nothing is written until a transfer.
        QCOMPARE(screen->pass1->text(), first);
        QCOMPARE(screen->pass2->text(), second);
        QCOMPARE(screen->currentPass, QString("abc"));
        QCOMPARE(readBytes(passwordFileName), stored);
    }

    void leavingRestoresCurrentPass_data()
    {
        QTest::addColumn<bool>("byClose");
        QTest::newRow("back2main") << false;
        QTest::newRow("window closed") << true;
    }
    void leavingRestoresCurrentPass()
    {
        QFETCH(bool, byClose);
        type(screen->pass1, "otra");
        type(screen->pass2, "distinta");
        if (byClose)
            screen->close();
        else
            click(screen->back2main);
        QVERIFY(!screen->isVisible());
        QCOMPARE(screen->pass1->text(), QString("abc"));
        QCOMPARE(screen->pass2->text(), QString("abc"));
        QVERIFY(f->boxes.shown.isEmpty());
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
