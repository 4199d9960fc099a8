#include "loader/loadmessages.h"
#include "loader/logview.h"
#include "loader/preferences.h"

#include "screenfixture.h"

#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QProgressBar>

// The transfer screen inputFromModem and its log box.

class TestInputFromModemScreen : public ScreenTest
{
    Q_OBJECT

    // Enabled states of userPhoneNumberValue, loadConf, close, stopCommads,
    // inputValue, then whether the main menu may lead elsewhere: "11100/1".
    QString states(const QWidget *s)
    {
        QString out;
        for (const char *name : {"userPhoneNumberValue", "loadConf", "close", "stopCommads", "inputValue"})
            out += child(s, name)->isEnabled() ? u'1' : u'0';
        return out + (f->transferRunning ? "/0" : "/1");
    }

private slots:
    void init() { f = std::make_unique<Fixture>(); }
    void cleanup() { f.reset(); }

    // The transfer screen's whole round: a number without a script, a
    // transfer to its end, the close button, a transfer the user stops.
    void walkThrough()
    {
        writeScript(6);
        f->settings.comPort = 4;
        f->settings.maxSize = QStringLiteral("12");
        InputFromModemScreen *s = alone<InputFromModemScreen>("inputFromModem");
        QVERIFY(s);
        QLineEdit *phone = line(s, "userPhoneNumberValue");
        auto *log = child<LogView>(s, "inputValue");
        auto *verdict = child<QLabel>(s, "verdict");
        QCOMPARE(phone->maxLength(), 12);
        QCOMPARE(states(s), QStringLiteral("10100/1"));

        // Load is possible exactly while the field holds a number; one
        // without a script is emptied.
        QTest::keyClicks(phone, QStringLiteral("9"));
        QVERIFY(child(s, "loadConf")->isEnabled());
        QTest::keyClick(phone, Qt::Key_Backspace);
        QVERIFY(!child(s, "loadConf")->isEnabled());
        QTest::keyClicks(phone, QStringLiteral("9"));
        click(s, "loadConf");
        const Message missing{"Error en el nombre del fichero de configuración",
                              "El fichero de conrfiguración no existe.", MessageIcon::Warning};
        QCOMPARE(f->boxes.shown, QList<Message>{missing});
        QCOMPARE(phone->text(), QString());
        QCOMPARE(states(s), QStringLiteral("10100/1"));

        // A port that does not open is told before the modem is switched
        // off and on; nothing is stored. The port line follows the adapters.
        auto *port = child<QLabel>(s, "portState");
        QCOMPARE(port->text(), QStringLiteral("Puerto: com4 \u2192 /dev/ttyS3 (no existe)"));
        QTest::keyClicks(phone, QStringLiteral("912345678"));
        f->link->openError = QStringLiteral("No se ha podido abrir el puerto com4 (/dev/ttyS3): el puerto no existe.");
        click(s, "loadConf");
        const Message noPort{"Error en el puerto serie", f->link->openError + "\r\nNo se ha enviado nada al módem.",
                             MessageIcon::Warning};
        QCOMPARE(f->boxes.shown, (QList<Message>{missing, noPort}));
        QCOMPARE(states(s), QStringLiteral("11100/1"));
        QVERIFY(!QFile::exists(passwordFileName) && !QFile::exists(QStringLiteral("logs")));
        f->link->openError.clear();
        f->boxes.shown.removeLast();
        // Refused once the modem is power-cycled: the controls are back first.
        QVERIFY(writeBytes("logs", "in the way"));
        click(s, "loadConf");
        QCOMPARE(f->boxes.last().title, "Error en el fichero de registro");
        QCOMPARE(states(s), QStringLiteral("11100/1"));
        QVERIFY(QFile::remove("logs"));
        f->boxes.shown.resize(1);

        click(s, "loadConf");
        const Message powerCycle{"Configuración Módem NOKIA M1112",
                                 "Apague y encienda el módem y asegúrese de que el módem no es "
                                 "está\r\nen la secuencia de arranque."};
        QCOMPARE(f->boxes.shown, (QList<Message>{missing, powerCycle}));
        QCOMPARE(f->link->lastPort, 4);
        QCOMPARE(states(s), QStringLiteral("00001/0"));
        QCOMPARE(log->toPlainText(), QStringLiteral("Actualizando password. Por favor espere.\n"));
        f->clock.advanceTo(10000);
        QVERIFY(!s->close());
        QCOMPARE(f->boxes.shown.size(), 3);
        QCOMPARE(f->boxes.last().icon, MessageIcon::Warning);

        // Script lines 0 to 3: still no stop.
        f->clock.advanceTo(44100);
        // Each update applies its removal once: the next, with none, leaves the text intact.
        for (const char *bytes : {"restore\r\n\r\nOK\n\rAB", "\b", "C"}) {
            f->link->receive(bytes);
            f->clock.advance(20);
            log->flush();
        }
        QCOMPARE(log->toPlainText(),
                 QStringLiteral("Actualizando password. Por favor espere.\n....>restore\n\nOK\nAC"));
        auto *progress = child<QProgressBar>(s, "progress");
        QVERIFY(progress->text().startsWith(QStringLiteral("Enviando la configuración: quedan")));
        QCOMPARE(states(s), QStringLiteral("00001/0"));
        f->clock.advanceTo(96100); // line 4
        QCOMPARE(states(s), QStringLiteral("00011/0"));

        // After the end the port stays open until the close button, which
        // hides the window and keeps the log file.
        f->clock.advanceTo(104100);
        QCOMPARE(f->link->writes.size(), 15);
        QCOMPARE(states(s), QStringLiteral("11101/1"));
        QCOMPARE(verdict->text(), "El módem no ha devuelto 10 de las 15 líneas enviadas: acceso 3, acceso 5, "
                                  "acceso 6, acceso 8, acceso 9 y 5 más.");
        const QByteArray logged = readBytes(QStringLiteral("logs/912345678.log"));
        QVERIFY(f->link->isOpen());
        click(s, "close");
        QVERIFY(!s->isVisible());
        QVERIFY(!f->link->isOpen());
        QCOMPARE(f->clock.armedCount(), 0);
        QCOMPARE(readBytes(QStringLiteral("logs/912345678.log")), logged);

        // Opened again once the subscriber is saved: its number is there,
        // whole even where the limit is now shorter.
        f->settings.maxSize = QStringLiteral("5");
        s->openFromMainMenu(QStringLiteral("912345678"), nullptr);
        QCOMPARE(phone->text(), QStringLiteral("912345678"));
        QCOMPARE(phone->maxLength(), 9);
        QCOMPARE(states(s), QStringLiteral("11101/1"));
        QVERIFY(log->toPlainText().isEmpty());
        QCOMPARE(verdict->text() + progress->text(), QString()); // the last load's outcome went with its log
        click(s, "loadConf");
        f->clock.advance(96100);
        click(s, "stopCommads");
        QVERIFY(s->stopSendingCommands());
        QCOMPARE(states(s), QStringLiteral("00001/0"));
        f->clock.advance(300000);
        QCOMPARE(states(s), QStringLiteral("11101/1"));
        QCOMPARE(progress->text(), QStringLiteral("Carga parada por el usuario"));
        QCOMPARE(verdict->text(), "Carga parada. " + LoadVerdict::silentText());
        QCOMPARE(f->boxes.shown.mid(3), QList<Message>{powerCycle});
        // The next load starts without them; its modem refuses the login.
        f->link->farEnd = [this](const QByteArray &line) {
            f->link->receive(line == "\r"        ? "\r\nlogin: "
                             : line == "admin\r" ? "admin\r\npassword: "
                                                 : "\r\nLogin incorrect\r\nlogin: ");
        };
        click(s, "loadConf");
        QCOMPARE(verdict->text(), QString());
        QVERIFY(!progress->text().startsWith(QStringLiteral("Carga")));
        f->clock.advance(20000);
        QCOMPARE(states(s), QStringLiteral("11101/1"));
        QCOMPARE(progress->text(), QStringLiteral("Clave de acceso no aceptada"));
        QCOMPARE(verdict->text(), loadmessages::refusedText());
        f->link->farEnd = nullptr; // the next load is judged on its own
        click(s, "loadConf");
        f->clock.advance(250000);
        QCOMPARE(progress->text() + verdict->text(), "Carga terminada" + LoadVerdict::silentText());
        f->adapters = {{"/dev/ttyS3", {}, {}, {}, {}}};
        f->clock.advance(1000);
        QCOMPARE(port->text(), QStringLiteral("Puerto: com4 \u2192 /dev/ttyS3"));
    }

    // The log box breaks a line longer than it lays out cheaply into lines
    // of its own; the log's text comes back whole, backspaces included.
    void logBoxLongLine_data()
    {
        QTest::addColumn<QByteArray>("start");
        QTest::addColumn<QList<QByteArray>>("polls");

        const QByteArray a256(256, 'a');
        QTest::newRow("line over many polls") << QByteArray() << QList<QByteArray>(8, QByteArray(115, 'a'));
        QTest::newRow("backspace over the view's break") << QByteArray() << QList<QByteArray>{a256, "b", "\b\b", "c"};
        QTest::newRow("backspace over a line break into a long line")
            << QByteArray() << QList<QByteArray>{a256 + "aa\r\n", "\b\b\b", "d"};
        QTest::newRow("backspaces over two of the view's breaks")
            << QByteArray("x\r\n") << QList<QByteArray>{QByteArray(600, 'a'), QByteArray(350, '\b')};
        QTest::newRow("long text set at once") << QByteArray(600, 'x') + "\r\ny" << QList<QByteArray>{"z"};
    }

    void logBoxLongLine()
    {
        QFETCH(QByteArray, start);
        QFETCH(QList<QByteArray>, polls);

        TransferLog log;
        LogView view;
        view.setLog(&log);
        log.setText(start);
        log.startReading();
        for (const QByteArray &poll : polls) {
            log.appendReceived(poll);
            view.flush();
        }
        QCOMPARE(view.logText(), log.displayText());
        view.selectAll();
        view.copy();
        QCOMPARE(QApplication::clipboard()->text(), log.displayText());
        // A few hundred characters lay out and paint cheaply.
        for (const QString &shown : view.toPlainText().split(u'\n'))
            QVERIFY(shown.size() <= 256);
    }

    // The fast-load box: kept in adslconf.ini across a rebuild of the screen,
    // the installer's own lines left as they were; fixed while a load runs;
    // a save that fails is told, and the choice holds for this run. A click
    // on it is no leave of the empty telephone field.
    void fastLoadBox()
    {
        const QByteArray mine = "; mine\r\n[transfer]\r\ncommandPrompt=x>\r\n\r\n[verdict]\r\nerrorWords=mal\r\n";
        QVERIFY(writeBytes(Preferences::fileName, mine));
        InputFromModemScreen *s = alone<InputFromModemScreen>("inputFromModem");
        auto *box = child<QCheckBox>(s, "fastLoad");
        QVERIFY(!box->isChecked());
        focusInto(line(s, "userPhoneNumberValue"));
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
        QVERIFY(box->isChecked());
        QCOMPARE(f->boxes.shown, QList<Message>());
        QCOMPARE(QApplication::focusWidget(), line(s, "userPhoneNumberValue"));
        QByteArray saved = mine;
        QCOMPARE(readBytes(Preferences::fileName), saved.insert(38, "fastLoad=true\r\n"));
        delete s;
        s = alone<InputFromModemScreen>("inputFromModem");
        box = child<QCheckBox>(s, "fastLoad");
        QVERIFY(box->isChecked());
        box->click();
        QCOMPARE(readBytes(Preferences::fileName), saved.replace("=true", "=false"));
        box->click();

        writeScript(6);
        QTest::keyClicks(line(s, "userPhoneNumberValue"), QStringLiteral("912345678"));
        click(s, "loadConf");
        QVERIFY(!box->isEnabled());
        f->clock.advance(300000);
        QVERIFY(box->isEnabled());

        QVERIFY(QFile::remove(Preferences::fileName) && QDir().mkdir(Preferences::fileName));
        f->boxes.shown.clear();
        box->click();
        QVERIFY(!box->isChecked());
        QCOMPARE(f->boxes.shown.size(), 1);
        QCOMPARE(f->boxes.last().title, "Error en el fichero de preferencias");
        QVERIFY(f->boxes.last().text.contains(QFileInfo(Preferences::fileName).absoluteFilePath()));
    }
};

QTEST_MAIN(TestInputFromModemScreen)
#include "tst_inputfrommodemscreen.moc"
