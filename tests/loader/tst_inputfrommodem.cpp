#include "builder/modemnokiaconfscreen.h"
#include "loader/inputfrommodemscreen.h"
#include "loader/logview.h"
#include "password/changepassscreen.h"
#include "password/passwordstore.h"
#include "shell/application.h"
#include "shell/mainmenuscreen.h"

#include "fakeseriallink.h"
#include "recordingmessageboxes.h"
#include "virtualtimersource.h"
#include "screentest.h"
#include "workdir.h"

#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

// An application whose transfer screen talks to a fake link in virtual time.
struct ScreenRig
{
    WorkDir dir;
    RecordingMessageBoxes boxes;
    VirtualTimerSource clock;
    FakeSerialLink *link = nullptr;
    Application app;

    // A script of `lines` lines for 912345678, saved by the subscriber screen.
    explicit ScreenRig(int lines = 0, const QString &saved = QStringLiteral("912345678"))
    {
        app.setTimerSource(&clock);
        app.makeSerialLink = [this] {
            auto made = std::make_unique<FakeSerialLink>(&clock);
            link = made.get();
            return made;
        };
        QByteArray bytes;
        for (int i = 0; i < lines; ++i)
            bytes += "line " + QByteArray::number(i) + "\r\n";
        QDir().mkpath(QStringLiteral("configuraciones"));
        QVERIFY(writeBytes(QStringLiteral("configuraciones/912345678.cfg"), bytes));
        ModemNokiaConfScreen *conf = app.modemNokiaConf();
        conf->userPhoneNumValue->setText(saved);
        conf->saved = !saved.isEmpty();
    }

    InputFromModemScreen *open()
    {
        app.start();
        QTest::mouseClick(app.mainMenu()->M_loadConf, Qt::LeftButton);
        InputFromModemScreen *s = app.inputFromModem();
        if (!QTest::qWaitForWindowActive(s))
            qWarning("transfer screen not active");
        return s;
    }

    // Enabled states of userPhoneNumberValue, loadConf, close, stopCommads,
    // inputValue, then of the main menu's M_changePass, M_confADSL,
    // M_intrConf, M_loadConf, M_Exit: "11100/11111".
    QString states()
    {
        InputFromModemScreen *s = app.inputFromModem();
        MainMenuScreen *m = app.mainMenu();
        QString out;
        for (QWidget *w : std::initializer_list<QWidget *>{
                 s->userPhoneNumberValue, s->loadConf, s->close, s->stopCommads, s->inputValue,
                 nullptr, m->M_changePass, m->M_confADSL, m->M_intrConf, m->M_loadConf, m->M_Exit})
            out += !w ? u'/' : w->isEnabled() ? u'1' : u'0';
        return out;
    }
};

class TestInputFromModem : public QObject
{
    Q_OBJECT

private slots:
    void layout()
    {
        ScreenRig rig;
        InputFromModemScreen *s = rig.app.inputFromModem();
        QCOMPARE((QStringList{s->windowTitle(), caption(s, "userPhoneNumTitle"), caption(s, "loadConf"),
                              caption(s, "close"), caption(s, "stopCommads")}),
                 (QStringList{"Command log", "Número de teléfono:", "&Cargar configuración",
                              "C&errar", "&Parar"}));
        QVERIFY(s->userPhoneNumberValue->font().bold());
        QCOMPARE(s->userPhoneNumberValue->font().pointSize(), 12);
        QVERIFY(s->inputValue->isReadOnly());
        QCOMPARE(tabOrder(s->userPhoneNumberValue, 5),
                 (QStringList{"userPhoneNumberValue", "inputValue", "close", "stopCommads", "loadConf"}));
    }

    void openedFromTheMainMenu_data()
    {
        QTest::addColumn<QString>("saved");
        QTest::addColumn<QString>("maxSize");
        QTest::addColumn<int>("maxLength");

        QTest::newRow("nothing saved") << "" << "9" << 9;
        QTest::newRow("saved subscriber") << "912345678" << "9" << 9;
        QTest::newRow("limit 0 means none") << "" << "0" << 32767;
        QTest::newRow("saved number longer than the limit stays whole") << "912345678" << "5" << 9;
    }

    void openedFromTheMainMenu()
    {
        QFETCH(QString, saved);
        QFETCH(QString, maxSize);
        QFETCH(int, maxLength);

        ScreenRig rig(0, saved);
        rig.app.settings().maxSize = maxSize;
        InputFromModemScreen *s = rig.open();
        QVERIFY(s->isVisible());
        QVERIFY(rig.app.mainMenu()->isVisible());
        QCOMPARE(s->userPhoneNumberValue->text(), saved);
        QCOMPARE(s->userPhoneNumberValue->maxLength(), maxLength);
        QCOMPARE(rig.states(), saved.isEmpty() ? "10100/11111" : "11100/11111");

        // Load is possible exactly while the field holds a number; one
        // without a script is emptied.
        s->userPhoneNumberValue->setFocus();
        s->userPhoneNumberValue->selectAll();
        QTest::keyClick(s->userPhoneNumberValue, Qt::Key_Backspace);
        QVERIFY(!s->loadConf->isEnabled());
        QTest::keyClicks(s->userPhoneNumberValue, QStringLiteral("9"));
        QVERIFY(s->loadConf->isEnabled());
        click(s->loadConf);
        const Message missing{"Error en el nombre del fichero de configuración",
                              "El fichero de conrfiguración no existe.", MessageIcon::Warning};
        QCOMPARE(rig.boxes.shown, QList<Message>{missing});
        QCOMPARE(s->userPhoneNumberValue->text(), QString());
        QCOMPARE(rig.states(), QStringLiteral("10100/11111"));
        QVERIFY(rig.link->writes.isEmpty());
    }

    void transferThroughTheScreen()
    {
        ScreenRig rig(6);
        rig.app.settings().comPort = 4;
        InputFromModemScreen *s = rig.open();

        QTest::mouseClick(s->loadConf, Qt::LeftButton);
        const QList<Message> powerCycle{{"Configuración Módem NOKIA M1112",
                                         "Apague y encienda el módem y asegúrese de que el módem no es "
                                         "está\r\nen la secuencia de arranque."}};
        QCOMPARE(rig.boxes.shown, powerCycle);
        QCOMPARE(rig.link->lastPort, 4);
        QCOMPARE(rig.states(), QStringLiteral("00001/00001"));
        QCOMPARE(s->inputValue->toPlainText(),
                 QStringLiteral("Actualizando password. Por favor espere.\n"));

        // Script lines 0 to 3: still no stop.
        rig.clock.advanceTo(44100);
        rig.link->receive("restore\r\n\r\nOK\n\r");
        rig.clock.advance(20);
        s->inputValue->flush();
        QCOMPARE(s->inputValue->toPlainText(),
                 QStringLiteral("Actualizando password. Por favor espere.\n....>restore\n\nOK\n"));
        QVERIFY(s->progress->text().startsWith(QStringLiteral("Enviando la configuración: quedan")));
        QCOMPARE(rig.states(), QStringLiteral("00001/00001"));

        rig.clock.advanceTo(96100); // line 4
        QCOMPARE(rig.states(), QStringLiteral("00011/00001"));
        QTest::mouseClick(s->stopCommads, Qt::LeftButton);
        QVERIFY(s->stopSendingCommands());
        QCOMPARE(rig.states(), QStringLiteral("00001/00001"));

        // The user goes to the main menu and back: the stop holds.
        rig.clock.advance(2000);
        rig.app.mainMenu()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(rig.app.mainMenu()));
        s->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(s));
        QVERIFY(s->stopSendingCommands());

        rig.clock.advance(300000);
        QCOMPARE(rig.states(), QStringLiteral("11101/11111"));
        QCOMPARE(s->progress->text(), QStringLiteral("Carga parada por el usuario"));
        QCOMPARE(rig.boxes.shown, powerCycle);
    }

    // Closing the window is refused while a transfer runs; the close button
    // afterwards hides it and lets the port go, keeping the log file.
    void closing()
    {
        ScreenRig rig(4);
        QPointer<InputFromModemScreen> s = rig.open();
        QTest::mouseClick(s->loadConf, Qt::LeftButton);
        rig.clock.advanceTo(10000);
        QVERIFY(!s->QWidget::close());
        QCOMPARE(rig.boxes.shown.size(), 2);
        QCOMPARE(rig.boxes.last().icon, MessageIcon::Warning);

        rig.clock.advanceTo(96000);
        QCOMPARE(rig.link->writes.size(), 13);
        QCOMPARE(rig.states(), QStringLiteral("11101/11111"));
        const QByteArray logged = readBytes(QStringLiteral("logs/912345678.log"));
        QVERIFY(rig.link->isOpen());
        QTest::mouseClick(s->close, Qt::LeftButton);
        QVERIFY(!s->isVisible());
        QVERIFY(!rig.link->isOpen());
        QCOMPARE(rig.clock.armedCount(), 0);
        QCOMPARE(readBytes(QStringLiteral("logs/912345678.log")), logged);

        rig.open();
        QCOMPARE(rig.states(), QStringLiteral("11101/11111"));
        QVERIFY(s->inputValue->toPlainText().isEmpty());
        // Once idle the window closes for good; it is made afresh on the next use.
        QVERIFY(s->QWidget::close());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!s);
        QVERIFY(!rig.app.hasInputFromModem());
        QVERIFY(rig.open()->isVisible());
    }

    // M_Exit and the main menu's window end the program at once, whatever
    // the transfer screen is doing: no question, no refusal, the transfer
    // cut short as after a lost port.
    void programEndsAtOnce_data()
    {
        QTest::addColumn<bool>("byWindow");
        QTest::addColumn<qint64>("at"); // -1: the screen open and idle
        QTest::addColumn<QByteArray>("logged");
        QTest::addColumn<QString>("stored"); // claves.dat held "abc"

        const QByteArray start = "Actualizando password. Por favor espere.\r\n";
        for (bool byWindow : {false, true}) {
            const char *how = byWindow ? "main window closed" : "M_Exit";
            QTest::addRow("%s, idle", how) << byWindow << -1LL << QByteArray() << "abc";
            QTest::addRow("%s, password phase", how) << byWindow << 12000LL << start + "\r\n" << "abc";
            QTest::addRow("%s, script phase", how)
                << byWindow << 100000LL << start + "....>OK\r\n\r\n" << "nueva1";
        }
    }

    void programEndsAtOnce()
    {
        QFETCH(bool, byWindow);
        QFETCH(qint64, at);
        QFETCH(QByteArray, logged);
        QFETCH(QString, stored);

        ScreenRig rig(6);
        QVERIFY(storePassword(QStringLiteral("abc")));
        rig.app.changePass()->pass1->setText(QStringLiteral("nueva1"));
        InputFromModemScreen *s = rig.open();
        if (at >= 0) {
            QTest::mouseClick(s->loadConf, Qt::LeftButton);
            rig.clock.advanceTo(at);
            rig.link->receive("OK\r\n"); // not yet polled when the program ends
        }
        const int sent = rig.link->writes.size();
        QTimer::singleShot(0, [&] {
            if (byWindow)
                rig.app.mainMenu()->close();
            else
                QTest::mouseClick(rig.app.mainMenu()->M_Exit, Qt::LeftButton);
        });
        QCOMPARE(QApplication::exec(), 0);

        QVERIFY(!rig.link->isOpen());
        QVERIFY(s->isVisible()); // its own closing action never ran
        QCOMPARE(rig.boxes.shown.size(), at >= 0 ? 1 : 0); // only the power-cycle box
        rig.clock.advance(300000);
        QCOMPARE(rig.link->writes.size(), sent);
        QCOMPARE(readBytes(QStringLiteral("logs/912345678.log")), logged);
        QCOMPARE(loadPassword(), stored);
    }
};

QTEST_MAIN(TestInputFromModem)
#include "tst_inputfrommodem.moc"
