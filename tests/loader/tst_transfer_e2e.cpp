#include "loader/qtseriallink.h"
#include "loader/qttimersource.h"
#include "loader/transferdialogue.h"
#include "loader/transferlog.h"
#include "password/passwordstore.h"

#include "modemsimprocess.h"
#include "workdir.h"

#include <QDir>
#include <QSignalSpy>
#include <QTest>

// Whole transfers through the real serial link and real timers, with the
// modem simulator on a pseudo-terminal and the waits scaled down.
class TestTransferE2E : public QObject
{
    Q_OBJECT
private slots:
    void wholeTransfer_data();
    void wholeTransfer();
    void pulledCableEndsTheTransferOnce();
    void stopSendsTheClosingLinesAndClosesThePort();

private:
    static constexpr TransferTimings fast{.lineWait = 60, .restartWait = 150, .loginPause = 120, .poll = 10};
    static const QStringList script;
    static QByteArray recordedLines(const QStringList &lines);
    // Every byte the modem should receive in a transfer that sets newPass.
    static QByteArray wholeWire(const QString &currentPass, const QString &newPass);
};

const QStringList TestTransferE2E::script = {
    "restore config default", "restart", "admin", "*****",
    "conf", "ip addr 192.0.2.1/30", "nat enable", "save", "restart"};

QByteArray TestTransferE2E::recordedLines(const QStringList &lines)
{
    QByteArray bytes;
    for (const QString &line : lines)
        bytes += line.toLatin1() + '\r';
    return bytes;
}

QByteArray TestTransferE2E::wholeWire(const QString &currentPass, const QString &newPass)
{
    QStringList sentScript = script;
    sentScript[3] = newPass;
    return recordedLines({"", "", "admin", currentPass, "conf", "password", "admin " + newPass, "top", "quit"})
        + recordedLines(sentScript);
}

void TestTransferE2E::wholeTransfer_data()
{
    QTest::addColumn<QString>("eol");
    QTest::addColumn<int>("noise");
    // Whether the console ends a line with one break character or two.
    QTest::addColumn<bool>("oneBreakPerLine");
    // What the console puts behind a line's echo, as the log keeps it.
    QTest::addColumn<QByteArray>("clutter");

    QTest::newRow("crlf console") << "crlf" << 0 << false << QByteArray();
    QTest::newRow("lfcr console") << "lfcr" << 0 << false << QByteArray();
    QTest::newRow("lf console with NUL and backspace on every line")
        << "lf" << 100 << true << QByteArray("\0", 1);
}

void TestTransferE2E::wholeTransfer()
{
    QFETCH(QString, eol);
    QFETCH(int, noise);
    QFETCH(bool, oneBreakPerLine);
    QFETCH(QByteArray, clutter);

    WorkDir work;
    QVERIFY(QDir().mkdir(QStringLiteral("configuraciones")));
    QVERIFY(writeBytes(QStringLiteral("configuraciones/5551234.cfg"),
                       script.join(QStringLiteral("\r\n")).toLatin1() + "\r\n"));
    ModemSimProcess sim;
    QVERIFY(sim.start({"--eol", eol, "--noise", QString::number(noise), "--seed", "7"}));

    QtSerialLink link;
    QtTimerSource timers;
    TransferLog log;
    TransferDialogue dialogue(link, timers, log, fast);
    QSignalSpy finished(&dialogue, &TransferDialogue::finished);
    QSignalSpy failed(&dialogue, &TransferDialogue::failed);

    QCOMPARE(dialogue.prepare({"5551234", 1, "viejaClave", "nuevaClave"}), std::nullopt);
    dialogue.begin();
    QVERIFY(finished.wait(10000));
    QCOMPARE(finished.size(), 1);
    QCOMPARE(finished.first().first().toBool(), false);
    QCOMPARE(failed.size(), 0);
    // A normal end leaves the port open for what the modem says next.
    QVERIFY(link.isOpen());

    QVERIFY(sim.stop());
    QCOMPARE(readBytes(sim.recordPath()), wholeWire("viejaClave", "nuevaClave"));

    // The log: the transfer's own text, then the script phase's echo with
    // the breaks rendered as CR, LF, CR, ... from the first one on.
    QByteArray expectedLog = "Actualizando password. Por favor espere.\r\n....>";
    bool nextIsCr = true;
    auto lineBreak = [&] {
        expectedLog += nextIsCr ? '\r' : '\n';
        nextIsCr = !nextIsCr;
    };
    QStringList sentScript = script;
    sentScript[3] = QStringLiteral("nuevaClave");
    for (const QString &line : sentScript) {
        expectedLog += line.toLatin1() + clutter;
        lineBreak();
        if (!oneBreakPerLine)
            lineBreak();
        expectedLog += "M1112>";
    }
    QCOMPARE(readBytes(QStringLiteral("logs/5551234.log")), expectedLog + "\r\n");
    QVERIFY(!expectedLog.contains("viejaClave"));

    // The new password was stored once the port had opened.
    QCOMPARE(loadPassword(), QStringLiteral("nuevaClave"));
}

void TestTransferE2E::pulledCableEndsTheTransferOnce()
{
    WorkDir work;
    QVERIFY(QDir().mkdir(QStringLiteral("configuraciones")));
    QVERIFY(writeBytes(QStringLiteral("configuraciones/5551234.cfg"),
                       script.join(QStringLiteral("\r\n")).toLatin1() + "\r\n"));
    ModemSimProcess sim;
    QVERIFY(sim.start());

    QtSerialLink link;
    QtTimerSource timers;
    TransferLog log;
    TransferDialogue dialogue(link, timers, log, fast);
    QSignalSpy finished(&dialogue, &TransferDialogue::finished);
    QSignalSpy failed(&dialogue, &TransferDialogue::failed);

    QCOMPARE(dialogue.prepare({"5551234", 1, "trumelox", "trumelox"}), std::nullopt);
    dialogue.begin();
    // Pull the cable once the configuration commands have started.
    QTRY_VERIFY_WITH_TIMEOUT(readBytes(sim.recordPath()).contains("conf\rip addr"), 10000);
    sim.kill();
    const QByteArray beforeLoss = readBytes(sim.recordPath());

    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 3000);
    QCOMPARE(failed.size(), 1);
    const auto message = failed.first().first().value<Message>();
    QVERIFY2(message.text.contains(QStringLiteral("Se ha perdido la conexión")), qPrintable(message.text));
    QVERIFY(message.text.contains(QStringLiteral("El puerto com1 (/dev/")));
    QVERIFY(!link.isOpen());
    QVERIFY(!dialogue.isRunning());

    // Nothing more is attempted, and the loss is not told again.
    QTest::qWait(5 * fast.lineWait);
    QCOMPARE(finished.size(), 1);
    QCOMPARE(failed.size(), 1);
    QVERIFY(wholeWire("trumelox", "trumelox").startsWith(beforeLoss));

    // What had come back before the loss is in the log file.
    const QByteArray logged = readBytes(QStringLiteral("logs/5551234.log"));
    QVERIFY2(logged.startsWith("Actualizando password. Por favor espere.\r\n....>restore config default\r\nM1112>"),
             logged.constData());
}

void TestTransferE2E::stopSendsTheClosingLinesAndClosesThePort()
{
    WorkDir work;
    QVERIFY(QDir().mkdir(QStringLiteral("configuraciones")));
    QVERIFY(writeBytes(QStringLiteral("configuraciones/5551234.cfg"),
                       script.join(QStringLiteral("\r\n")).toLatin1() + "\r\n"));
    ModemSimProcess sim;
    QVERIFY(sim.start());

    QtSerialLink link;
    QtTimerSource timers;
    TransferLog log;
    TransferDialogue dialogue(link, timers, log, fast);
    QSignalSpy finished(&dialogue, &TransferDialogue::finished);

    QCOMPARE(dialogue.prepare({"5551234", 1, "vieja", "nueva"}), std::nullopt);
    // The user presses stop as soon as the modem's answer to script line 4
    // shows, as a click would arrive: from the event loop.
    bool pressed = false;
    connect(
        &log, &TransferLog::changed, &dialogue,
        [&] {
            if (!pressed && log.bytes().endsWith("conf\r\nM1112>")) {
                pressed = true;
                dialogue.stop();
            }
        },
        Qt::QueuedConnection);
    dialogue.begin();
    QVERIFY(finished.wait(10000));
    QVERIFY(pressed);
    QCOMPARE(finished.first().first().toBool(), true);
    QVERIFY(!link.isOpen());

    QVERIFY(sim.stop());
    const QByteArray wire = readBytes(sim.recordPath());
    QVERIFY2(wire.endsWith("nueva\rconf\rtop\rquit\rlogout\r\r"), wire.constData());
    const QByteArray logged = readBytes(QStringLiteral("logs/5551234.log"));
    QVERIFY2(logged.endsWith("conf\r\nM1112>\r\n---- Transference terminated by user ----\r\n"),
             logged.constData());
}

QTEST_GUILESS_MAIN(TestTransferE2E)
#include "tst_transfer_e2e.moc"
