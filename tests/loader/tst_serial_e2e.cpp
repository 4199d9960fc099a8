#include "loader/qtseriallink.h"
#include "loader/qttimersource.h"
#include "loader/transferdialogue.h"
#include "loader/transferlog.h"
#include "password/passwordstore.h"

#include "workdir.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

#include <termios.h>

namespace {

const QString received = QStringLiteral("modemsim-received.log");
const QString logFile = QStringLiteral("logs/5551234.log");
const QStringList script = {"restore config default", "restart", "admin", "*****", "conf",
                            "ip addr 192.0.2.1/30", "nat enable", "save", "restart"};

// The modem simulator (tools/modemsim) on a pseudo-terminal linked as com1
// in the working folder; it records what it receives.
class ModemSim
{
public:
    ~ModemSim() { stop(); }

    bool start(const QStringList &options = {})
    {
        m_process.start(QStringLiteral(MODEMSIM_PATH),
                        QStringList{"--link", "com1", "--record", received, "--noise", "0"} + options);
        if (!m_process.waitForStarted(5000))
            return false;
        // A link left by a killed run dangles until the simulator replaces it.
        QDeadlineTimer deadline(5000);
        while (!QFileInfo::exists(QStringLiteral("com1"))) {
            if (deadline.hasExpired() || m_process.state() != QProcess::Running)
                return false;
            QTest::qWait(10);
        }
        return true;
    }
    // SIGTERM, on which the simulator removes its link; or SIGKILL, as a
    // pulled cable: the pseudo-terminal goes at once.
    bool stop(bool pullCable = false)
    {
        if (m_process.state() == QProcess::NotRunning)
            return true;
        pullCable ? m_process.kill() : m_process.terminate();
        return m_process.waitForFinished(5000);
    }

private:
    QProcess m_process;
};

// A transfer of 5551234's script through the real link and timers, the
// waits scaled down.
struct TransferRig
{
    WorkDir work;
    ModemSim sim;
    QtSerialLink link;
    QtTimerSource timers;
    TransferLog log;
    TransferDialogue dialogue{link, timers, log,
                              {.lineWait = 60, .restartWait = 150, .loginPause = 120, .poll = 10}};
    QSignalSpy finished{&dialogue, &TransferDialogue::finished};
    QSignalSpy failed{&dialogue, &TransferDialogue::failed};

    bool start(const QString &current, const QString &next, const QStringList &simOptions = {})
    {
        QDir().mkdir(QStringLiteral("configuraciones"));
        return writeBytes(QStringLiteral("configuraciones/5551234.cfg"),
                          script.join(QStringLiteral("\r\n")).toLatin1() + "\r\n")
            && sim.start(simOptions) && !dialogue.prepare({"5551234", 1, current, next})
            && (dialogue.begin(), dialogue.isRunning());
    }
    // Every byte the modem receives in a whole transfer.
    static QByteArray wire(const QString &current, const QString &next)
    {
        QStringList sent{"", "", "admin", current, "conf", "password", "admin " + next, "top", "quit"};
        sent += script;
        sent[9 + 3] = next;
        return sent.join(u'\r').toLatin1() + '\r';
    }
};

} // namespace

// The real serial link over a pseudo-terminal with the modem simulator at the
// far end, alone and carrying whole transfers.
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
        QSignalSpy lost(&link, &SerialLink::lost);
        QString error;
        QVERIFY(!link.open(port, &error));
        QCOMPARE(error, message);
        QVERIFY(!link.isOpen());
        link.write("x\r");
        QVERIFY(link.readAll().isEmpty());
        QCOMPARE(lost.size(), 0);
    }

    void wholeTransfer_data()
    {
        QTest::addColumn<QString>("eol");
        QTest::addColumn<int>("noise");
        QTest::addColumn<bool>("oneBreakPerLine"); // the console ends a line with one character
        QTest::addColumn<QByteArray>("clutter");  // behind each echo, as the log keeps it

        QTest::newRow("crlf console") << "crlf" << 0 << false << QByteArray();
        // The simulator's clutter is NUL # backspace: NUL stays, # is erased.
        QTest::newRow("lf console with clutter on every line") << "lf" << 100 << true << QByteArray("\0", 1);
    }

    void wholeTransfer()
    {
        QFETCH(QString, eol);
        QFETCH(int, noise);
        QFETCH(bool, oneBreakPerLine);
        QFETCH(QByteArray, clutter);

        TransferRig rig;
        QVERIFY(rig.start("viejaClave", "nuevaClave", {"--eol", eol, "--noise", QString::number(noise)}));
        QCOMPARE(loadPassword(), QStringLiteral("nuevaClave"));
        // The line settings as the device holds them: 9600 baud, no parity,
        // 8 data bits, 1 stop bit, no flow control.
        termios line{};
        QCOMPARE(tcgetattr(rig.link.port().handle(), &line), 0);
        QCOMPARE(cfgetospeed(&line), speed_t(B9600));
        QCOMPARE(cfgetispeed(&line), speed_t(B9600));
        QCOMPARE(line.c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS), tcflag_t(CS8));
        QCOMPARE(line.c_iflag & (IXON | IXOFF), tcflag_t(0));
        QVERIFY(rig.finished.wait(10000));
        QCOMPARE(rig.finished.size(), 1);
        QCOMPARE(rig.finished.first().first().toBool(), false);
        QCOMPARE(rig.failed.size(), 0);
        QVERIFY(rig.link.isOpen()); // for what the modem says next
        QtSerialLink other;
        QString error;
        QVERIFY(!other.open(1, &error));
        QVERIFY2(error.startsWith(QStringLiteral("No se ha podido abrir el puerto com1 (/dev/"))
                     && error.endsWith(QStringLiteral(": el puerto está ocupado por otro programa o "
                                                      "no hay permiso para usarlo.")),
                 qPrintable(error));
        QVERIFY(rig.sim.stop());
        QCOMPARE(readBytes(received), TransferRig::wire("viejaClave", "nuevaClave"));

        // The script phase's echo, its breaks rendered CR, LF, CR, ...
        QByteArray expected = "Actualizando password. Por favor espere.\r\n....>";
        int breaks = 0;
        QStringList sent = script;
        sent[3] = QStringLiteral("nuevaClave");
        for (const QString &line : sent) {
            expected += line.toLatin1() + clutter;
            for (int i = oneBreakPerLine ? 1 : 2; i > 0; --i)
                expected += breaks++ % 2 ? '\n' : '\r';
            expected += "M1112>";
        }
        QCOMPARE(readBytes(logFile), expected + "\r\n");
    }

    // The cable pulled mid-transfer: reported once, nothing more sent, the
    // log keeps what had come back. (bench/lostportbench measures the idle
    // cost after the loss.)
    void pulledCableEndsTheTransferOnce()
    {
        TransferRig rig;
        QVERIFY(rig.start("trumelox", "trumelox"));
        QTRY_VERIFY_WITH_TIMEOUT(readBytes(received).contains("conf\rip addr"), 10000);
        QVERIFY(rig.sim.stop(true));
        const QByteArray beforeLoss = readBytes(received);
        QTRY_COMPARE_WITH_TIMEOUT(rig.finished.size(), 1, 3000);
        QCOMPARE(rig.failed.size(), 1);
        const QString text = rig.failed.first().first().value<Message>().text;
        QVERIFY2(text.startsWith(QStringLiteral("Se ha perdido la conexión con el módem.\r\nEl puerto com1 (/dev/"))
                     && text.endsWith(QStringLiteral(") se ha desconectado: compruebe el cable y el "
                                                     "adaptador del puerto serie.")),
                 qPrintable(text));
        QVERIFY(!rig.link.isOpen());

        QTest::qWait(200);
        QCOMPARE(rig.finished.size(), 1);
        QCOMPARE(rig.failed.size(), 1);
        QVERIFY(TransferRig::wire("trumelox", "trumelox").startsWith(beforeLoss));
        QVERIFY(readBytes(logFile).startsWith(
            "Actualizando password. Por favor espere.\r\n....>restore config default\r\nM1112>"));

        // The link left behind names a port that is gone.
        QString error;
        QVERIFY(!rig.link.open(1, &error));
        QVERIFY2(error.startsWith(QStringLiteral("No se ha podido abrir el puerto com1 (/dev/")), qPrintable(error));
    }

    void stopSendsTheClosingLinesAndClosesThePort()
    {
        TransferRig rig;
        // Stop as soon as the answer to script line 4 shows, from the event
        // loop as a click would come.
        bool pressed = false;
        QObject::connect(&rig.log, &TransferLog::changed, &rig.dialogue, [&] {
            if (!pressed && rig.log.bytes().endsWith("conf\r\nM1112>")) {
                pressed = true;
                rig.dialogue.stop();
            }
        }, Qt::QueuedConnection);
        QVERIFY(rig.start("vieja", "nueva"));
        QVERIFY(rig.finished.wait(10000));
        QVERIFY(pressed);
        QCOMPARE(rig.finished.first().first().toBool(), true);
        QVERIFY(!rig.link.isOpen());
        QVERIFY(rig.sim.stop());
        QVERIFY(readBytes(received).endsWith("nueva\rconf\rtop\rquit\rlogout\r\r"));
        QVERIFY(readBytes(logFile).endsWith("conf\r\nM1112>\r\n---- Transference terminated by user ----\r\n"));
    }
};

QTEST_GUILESS_MAIN(TestSerialE2E)
#include "tst_serial_e2e.moc"
