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
    // The screen's whole round: its captions, a number without a script, a
    // transfer to its end, the close button, a transfer the user stops, the
    // window closed.
    void walkThrough()
    {
        ScreenRig rig(6, QString());
        rig.app.settings().comPort = 4;
        rig.app.settings().maxSize = QStringLiteral("12");
        QPointer<InputFromModemScreen> s = rig.open();
        QCOMPARE((QStringList{s->windowTitle(), caption(s, "userPhoneNumTitle"), caption(s, "loadConf"),
                              caption(s, "close"), caption(s, "stopCommads")}),
                 (QStringList{"Command log", "Número de teléfono:", "&Cargar configuración",
                              "C&errar", "&Parar"}));
        QVERIFY(s->userPhoneNumberValue->font().bold());
        QCOMPARE(s->userPhoneNumberValue->font().pointSize(), 12);
        QVERIFY(s->inputValue->isReadOnly());
        QCOMPARE(tabOrder(s->userPhoneNumberValue, 5),
                 (QStringList{"userPhoneNumberValue", "inputValue", "close", "stopCommads", "loadConf"}));
        QVERIFY(s->isVisible());
        QVERIFY(rig.app.mainMenu()->isVisible());
        QCOMPARE(s->userPhoneNumberValue->text(), QString());
        QCOMPARE(s->userPhoneNumberValue->maxLength(), 12);
        QCOMPARE(rig.states(), QStringLiteral("10100/11111"));

        // Load is possible exactly while the field holds a number; one
        // without a script is emptied.
        QTest::keyClicks(s->userPhoneNumberValue, QStringLiteral("9"));
        QVERIFY(s->loadConf->isEnabled());
        QTest::keyClick(s->userPhoneNumberValue, Qt::Key_Backspace);
        QVERIFY(!s->loadConf->isEnabled());
        QTest::keyClicks(s->userPhoneNumberValue, QStringLiteral("9"));
        click(s->loadConf);
        const Message missing{"Error en el nombre del fichero de configuración",
                              "El fichero de conrfiguración no existe.", MessageIcon::Warning};
        QCOMPARE(rig.boxes.shown, QList<Message>{missing});
        QCOMPARE(s->userPhoneNumberValue->text(), QString());
        QCOMPARE(rig.states(), QStringLiteral("10100/11111"));

        QTest::keyClicks(s->userPhoneNumberValue, QStringLiteral("912345678"));
        click(s->loadConf);
        const Message powerCycle{"Configuración Módem NOKIA M1112",
                                 "Apague y encienda el módem y asegúrese de que el módem no es "
                                 "está\r\nen la secuencia de arranque."};
        QCOMPARE(rig.boxes.shown, (QList<Message>{missing, powerCycle}));
        QCOMPARE(rig.link->lastPort, 4);
        QCOMPARE(rig.states(), QStringLiteral("00001/00001"));
        QCOMPARE(s->inputValue->toPlainText(), QStringLiteral("Actualizando password. Por favor espere.\n"));
        rig.clock.advanceTo(10000);
        QVERIFY(!s->QWidget::close());
        QCOMPARE(rig.boxes.shown.size(), 3);
        QCOMPARE(rig.boxes.last().icon, MessageIcon::Warning);

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

        // After the end the port stays open until the close button, which
        // hides the window and keeps the log file.
        rig.clock.advanceTo(104100);
        QCOMPARE(rig.link->writes.size(), 15);
        QCOMPARE(rig.states(), QStringLiteral("11101/11111"));
        const QByteArray logged = readBytes(QStringLiteral("logs/912345678.log"));
        QVERIFY(rig.link->isOpen());
        click(s->close);
        QVERIFY(!s->isVisible());
        QVERIFY(!rig.link->isOpen());
        QCOMPARE(rig.clock.armedCount(), 0);
        QCOMPARE(readBytes(QStringLiteral("logs/912345678.log")), logged);

        // Opened again once the subscriber is saved: its number is there,
        // whole even where the limit is now shorter.
        rig.app.settings().maxSize = QStringLiteral("5");
        rig.app.modemNokiaConf()->userPhoneNumValue->setText(QStringLiteral("912345678"));
        rig.app.modemNokiaConf()->saved = true;
        rig.open();
        QCOMPARE(s->userPhoneNumberValue->text(), QStringLiteral("912345678"));
        QCOMPARE(s->userPhoneNumberValue->maxLength(), 9);
        QCOMPARE(rig.states(), QStringLiteral("11101/11111"));
        QVERIFY(s->inputValue->toPlainText().isEmpty());
        click(s->loadConf);
        rig.clock.advance(96100);
        click(s->stopCommads);
        QVERIFY(s->stopSendingCommands());
        QCOMPARE(rig.states(), QStringLiteral("00001/00001"));
        rig.clock.advance(300000);
        QCOMPARE(rig.states(), QStringLiteral("11101/11111"));
        QCOMPARE(s->progress->text(), QStringLiteral("Carga parada por el usuario"));
        QCOMPARE(rig.boxes.shown.size(), 4);
        QCOMPARE(rig.boxes.last(), powerCycle);

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
