#include "screenfixture.h"

// The password screen changePass.

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

} // namespace

class TestChangePassScreen : public ScreenTest
{
    Q_OBJECT

private slots:
    void init() { f = std::make_unique<Fixture>(); }
    void cleanup() { f.reset(); }

    // Save, or leaving by the back button or by closing the window ("how").
    void passwordSaveOrLeave_data()
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

    void passwordSaveOrLeave()
    {
        QFETCH(QString, how);
        QFETCH(QString, first);
        QFETCH(QString, second);
        QFETCH(MessageAnswer, answer);
        QFETCH(QList<Message>, expected);
        QVERIFY(storePassword("abc"));
        ChangePassScreen *screen = alone<ChangePassScreen>("changePass");
        QVERIFY(screen);
        QSignalSpy back(screen, &Screen::back);
        line(screen, "pass1")->setText(first);
        line(screen, "pass2")->setText(second);
        f->boxes.answers = {answer};
        if (how == "close")
            screen->close();
        else
            click(screen, how == "back" ? "back2main" : "savePass");
        QCOMPARE(f->boxes.shown, expected);
        const bool done = how != "save" || expected.last() == accepted;
        QCOMPARE(screen->isVisible(), !done);
        QCOMPARE(back.size(), done ? 1 : 0);
        // Leaving takes back what was typed; a save keeps it either way, the new
        // password waiting in pass1, and nothing is written until a transfer.
        QCOMPARE(line(screen, "pass1")->text(), how == "save" ? first : "abc");
        QCOMPARE(line(screen, "pass2")->text(), how == "save" ? second : "abc");
        QCOMPARE(screen->currentPass(), QString("abc"));
        QCOMPARE(loadPassword(), QString("abc"));
    }

    void passwordActivationReloadsFile()
    {
        QVERIFY(storePassword("abc"));
        ChangePassScreen *screen = alone<ChangePassScreen>("changePass");
        QVERIFY(screen);
        QLineEdit *pass1 = line(screen, "pass1");
        for (QLineEdit *field : {pass1, line(screen, "pass2")}) {
            QTest::keyClicks(field, "defghijklmnop"); // after "abc": the fifteenth character is refused
            QCOMPARE(field->text(), QString("abcdefghijklmn"));
        }
        click(screen, "savePass");
        QVERIFY(!screen->isVisible());

        // A transfer stored another password meanwhile; the unused one is gone.
        // Longer than can be typed, it is held whole, for the next transfer sets
        // and stores what pass1 holds.
        const QString stored = "guardadaporotrotransfer";
        QVERIFY(storePassword(stored));
        QCOMPARE(screen->currentPass(), QString("abc"));
        screen->showScreen();
        QCOMPARE(pass1->text(), stored);
        QCOMPARE(line(screen, "pass2")->text(), stored);
        QCOMPARE(screen->currentPass(), stored);
        QTest::keyClick(pass1, Qt::Key_End);
        QTest::keyClicks(pass1, "x");
        QCOMPARE(screen->newPassword(), stored);
    }
};

QTEST_MAIN(TestChangePassScreen)
#include "tst_changepassscreen.moc"
