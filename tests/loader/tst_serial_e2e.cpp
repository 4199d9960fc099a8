#include "device/qtseriallink.h"
#include "device/qttimersource.h"
#include "loader/transferdialogue.h"
#include "loader/transferlog.h"

#include "simulatedmodem.h"
#include "workdir.h"

#include <QProcess>
#include <QSignalSpy>

#include <termios.h>

namespace {

const QString received = QStringLiteral("modemsim-record.txt");
const QString state = QStringLiteral("modemsim-state.txt");
const QString logFile = QStringLiteral("logs/5551234.log");
const QStringList script = {"restore config default", "restart", "admin", "*****", "conf", "eth",
                            "ip addr 192.0.2.1 255.255.255.252", "top", "quit", "save conf start", "restart"};
// The simulator with its waits scaled down as the program's are.
const QStringList simulator = {"--link", "com1", "--record", received, "--state", state, "--noise", "0",
                               "--answer-ms", "5", "--boot-seconds", "0.05"};

} // namespace

class TestSerialE2E : public QObject
{
    Q_OBJECT

private slots:
    void openFailuresNameThePort_data()
    {
        QTest::addColumn<int>("port");
        QTest::addColumn<QString>("linkTarget");
        QTest::addColumn<QString>("message");

        QTest::newRow("no such device") << 7 << "/nonexistent/ttyUSB9"
            << "No se ha podido abrir el puerto com7 (/nonexistent/ttyUSB9): el puerto no existe.";
        QTest::newRow("not a serial device") << 2 << "/dev/null"
            << "No se ha podido abrir el puerto com2 (/dev/null): el dispositivo no es un puerto serie "
               "o no admite 9600 baudios, sin paridad, 8 bits de datos y 1 bit de parada.";
        QTest::newRow("port zero") << 0 << ""
            << "No se ha podido abrir el puerto com0: el número de puerto no es válido.";
    }

    void openFailuresNameThePort()
    {
        QFETCH(int, port);
        QFETCH(QString, linkTarget);
        QFETCH(QString, message);

        WorkDir work;
        if (!linkTarget.isEmpty())
            QVERIFY(QFile::link(linkTarget, QStringLiteral("com%1").arg(port)));
        QtSerialLink link;
        QString error;
        QVERIFY(!link.open(port, &error));
        QCOMPARE(error, message);
        QVERIFY(!link.isOpen());
    }

    // Real bytes both ways, on the line settings the modem needs, the port
    // kept from other programs until it is closed; then a second run on the
    // same port with the cable pulled midway. The waits are scaled down. The
    // simulated modem ends up configured as the script says.
    void transfersOverThePort()
    {
        WorkDir work;
        // The modem simulator on a pseudo-terminal linked as com1 in the
        // working folder, its password the one in force.
        QProcess sim;
        QtSerialLink link;
        QtTimerSource timers;
        TransferLog log;
        LogFile logged;
        TransferDialogue dialogue{link, timers, log, logged,
                                  {.lineWait = 60, .restartWait = 600, .loginPause = 120, .poll = 10}};
        QSignalSpy finished{&dialogue, &TransferDialogue::finished};
        QSignalSpy failed{&dialogue, &TransferDialogue::failed};
        QDir().mkdir(QStringLiteral("configuraciones"));
        QVERIFY(writeBytes(QStringLiteral("configuraciones/5551234.cfg"),
                           script.join(QStringLiteral("\r\n")).toLatin1() + "\r\n"));
        QVERIFY(writeBytes(state, "password viejaClave\n"));
        sim.start(QStringLiteral(MODEMSIM_PATH), simulator);
        QVERIFY(sim.waitForStarted(5000));
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(QStringLiteral("com1")), 5000);
        QVERIFY(!dialogue.prepare({"5551234", 1, "viejaClave", "nuevaClave"}));
        dialogue.begin();

        // 9600 baud, no parity, 8 data bits, 1 stop bit, no flow control.
        termios line{};
        QCOMPARE(tcgetattr(link.port().handle(), &line), 0);
        QCOMPARE(cfgetospeed(&line), speed_t(B9600));
        QCOMPARE(cfgetispeed(&line), speed_t(B9600));
        QCOMPARE(line.c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS), tcflag_t(CS8));
        QCOMPARE(line.c_iflag & (IXON | IXOFF), tcflag_t(0));
        QVERIFY(finished.wait(10000));
        QCOMPARE(failed.size(), 0);
        QCOMPARE(dialogue.verdict(),
                 "El módem ha contestado a las 20 líneas enviadas, sin ninguna respuesta de error.");
        QtSerialLink other;
        QString error;
        QVERIFY(!other.open(1, &error)); // held for what the modem says next
        QVERIFY2(error.startsWith(QStringLiteral("No se ha podido abrir el puerto com1 (/dev/"))
                     && error.endsWith(QStringLiteral(": lo tiene abierto otro programa (tst_serial_e2e): "
                                                      "ciérrelo y vuelva a cargar.")),
                 qPrintable(error));
        link.close();
        QVERIFY2(other.open(1, &error), qPrintable(error));
        other.close();
        QStringList sent = script;
        sent[3] = QStringLiteral("nuevaClave");
        const QStringList login{"", "", "admin", "viejaClave", "conf", "password", "admin nuevaClave",
                                "top", "quit"};
        sim.terminate();
        QVERIFY(sim.waitForFinished(5000));
        const ModemRecord record = parseRecord(readBytes(received).toStdString());
        QCOMPARE(qt(record.texts("received")), login + sent); // none lost or late
        QCOMPARE(qt(record.texts("refused")), QStringList());
        QCOMPARE(QString::fromStdString(record.password.value_or("")), "nuevaClave");
        QCOMPARE(qt(record.configuration), QStringList({"eth", "ip addr 192.0.2.1 255.255.255.252"}));
        QVERIFY(readBytes(state).startsWith("password nuevaClave\n"));
        // What comes after the last restart depends on when the load ends.
        QVERIFY2(readBytes(logFile).startsWith(
                 "Actualizando password. Por favor espere.\r\n....>restore config default\r\nM1112>"
                 "restart\r\nNokia M1112 ADSL Router\r\nlogin: admin\r\npassword: nuevaClave\r\nM1112>"
                 "conf\r\nM1112>eth\r\nM1112>ip addr 192.0.2.1 255.255.255.252\r\nM1112>top\r\nM1112>"
                 "quit\r\nM1112>save conf start\r\nM1112>restart\r\n"), readBytes(logFile).constData());

        // The cable pulled: reported once, the log keeps what had come back.
        // (bench/lostportbench measures the idle cost after the loss.)
        sim.start(QStringLiteral(MODEMSIM_PATH), simulator);
        QVERIFY(sim.waitForStarted(5000));
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(QStringLiteral("com1")), 5000);
        QVERIFY(!dialogue.prepare({"5551234", 1, "nuevaClave", "nuevaClave"}));
        dialogue.begin();
        QTRY_VERIFY_WITH_TIMEOUT(readBytes(received).contains(" ip addr 192.0.2.1"), 10000);
        sim.kill(); // the pseudo-terminal goes at once
        QVERIFY(sim.waitForFinished(5000));
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 2, 3000);
        QCOMPARE(failed.size(), 1);
        const QString text = failed.first().first().value<Message>().text;
        QVERIFY2(text.startsWith(
                     QStringLiteral("Se ha perdido la conexión con el módem.\r\nEl puerto com1 (/dev/"))
                     && text.endsWith(QStringLiteral(") se ha desconectado: compruebe el cable y el "
                                                     "adaptador del puerto serie.")),
                 qPrintable(text));
        QVERIFY(!link.isOpen());
        QVERIFY(dialogue.verdict().startsWith("Carga interrumpida. El módem "));
        QTest::qWait(200);
        QCOMPARE(finished.size(), 2);
        QCOMPARE(failed.size(), 1);
        QVERIFY(readBytes(logFile).startsWith(
            "Actualizando password. Por favor espere.\r\n....>restore config default\r\nM1112>restart"));
    }
};

QTEST_GUILESS_MAIN(TestSerialE2E)
#include "tst_serial_e2e.moc"
