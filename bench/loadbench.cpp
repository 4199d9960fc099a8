// loadbench: a whole load as an installer runs it, to measure against. The
// 32-line DHCP script goes out in real time on the program's fixed schedule,
// through the real serial link, to the modem simulator on a pseudo-terminal
// behaving as a modem (25 s boot, answers in 50-300 ms, some noise).
//
//   build/loadbench        (takes about 3.5 minutes)
//
// It prints the total time, how late each line went against the schedule
// and the worst of them, the load's verdict, and the simulator's final
// state against the script; it exits non-zero when the modem did not end up
// configured as the script says.

#include "builder/configscript.h"
#include "device/qtseriallink.h"
#include "device/qttimersource.h"
#include "loader/transferdialogue.h"
#include "loader/transferlog.h"
#include "spinuntil.h"
#include "settings/servicesettings.h"

#include "modemmodel.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>

namespace {

// The real link, noting when each line went out.
class TimedLink final : public SerialLink
{
public:
    TimedLink() { connect(&m_port, &SerialLink::lost, this, &SerialLink::lost); }
    bool open(int portNumber, QString *error) override { return m_port.open(portNumber, error); }
    void close() override { m_port.close(); }
    bool isOpen() const override { return m_port.isOpen(); }
    bool write(const QByteArray &bytes, QString *error) override
    {
        const qint64 at = clock.elapsed();
        if (!m_port.write(bytes, error))
            return false;
        sent.append({at, bytes.chopped(1)});
        return true;
    }
    QByteArray readAll() override { return m_port.readAll(); }

    QElapsedTimer clock;
    QList<std::pair<qint64, QByteArray>> sent;

private:
    QtSerialLink m_port;
};

const char *yesNo(bool value)
{
    return value ? "yes" : "NO";
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    if (!dir.isValid() || !QDir::setCurrent(dir.path()))
        return 2;

    const SubscriberConfig subscriber{"5551234", "Estandar", {"192", "168", "1", "34"},
                                      {"255", "255", "255", "248"}, {"10", "0", "0", "2"},
                                      {"255", "255", "255", "252"}};
    const QStringList script = buildConfigScript(subscriber, ConfigType::DHCP, defaultSettings()).lines;
    QProcess sim;
    sim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    sim.start(QStringLiteral(MODEMSIM_PATH), {"--link", "com1", "--record", "record.txt", "--state", "state.txt"});
    if (!writeConfigScript(subscriber, ConfigType::DHCP, defaultSettings()) || !sim.waitForStarted(5000)
        || !spinUntil([] { return QFile::exists("com1"); }, 5000)) {
        std::fprintf(stderr, "loadbench: the modem simulator did not start\n");
        return 2;
    }

    TimedLink link;
    QtTimerSource timers;
    TransferLog log;
    const TransferTimings timings;
    TransferDialogue dialogue(link, timers, log, timings);
    bool finished = false;
    QObject::connect(&dialogue, &TransferDialogue::finished, [&] { finished = true; });
    std::printf("loadbench: %lld-line DHCP load on the fixed schedule; modem: 25 s boot, answers in "
                "50-300 ms\n",
                qlonglong(script.size()));
    std::fflush(stdout);
    link.clock.start();
    if (dialogue.prepare({"5551234", 1, "trumelox", "nuevaClave"}) || (dialogue.begin(), !dialogue.isRunning())) {
        std::fprintf(stderr, "loadbench: the load did not start\n");
        return 2;
    }
    if (!spinUntil([&] { return finished; }, 300000) || link.sent.isEmpty()) {
        std::fprintf(stderr, "loadbench: the load did not end\n");
        return 1;
    }
    const qint64 total = link.clock.elapsed() - link.sent.first().first;

    // The fixed schedule, from the first line sent (so that one is never
    // late): the password phase, the pause, then the script with the long
    // wait after its restart.
    QList<qint64> due;
    qint64 at = 0;
    for (int i = 0; i < 9; ++i, at += timings.lineWait)
        due.append(at);
    at += timings.loginPause;
    for (qsizetype i = 0; i < script.size(); ++i) {
        due.append(at);
        at += i == 1 ? timings.restartWait : timings.lineWait;
    }
    std::printf("total: %.2f s (the schedule: %.2f s)\nlateness of each line (ms):\n", total / 1000.0,
                at / 1000.0);
    qint64 worst = 0;
    for (qsizetype i = 0; i < link.sent.size() && i < due.size(); ++i) {
        const qint64 late = link.sent[i].first - link.sent.first().first - due[i];
        worst = std::max(worst, late);
        const bool secret = i == 3 || i == 6 || i == 12;
        const QByteArray &text = link.sent[i].second;
        std::printf("  %2lld %+5lld  %s\n", qlonglong(i + 1), qlonglong(late),
                    secret ? "(password)" : text.isEmpty() ? "(empty line)" : text.constData());
    }
    std::printf("worst lateness: %lld ms over %lld lines\n", qlonglong(worst), qlonglong(link.sent.size()));

    // The line the transfer screen shows at the end of the load.
    std::printf("verdict: %s\n", dialogue.verdict().toUtf8().constData());

    sim.terminate();
    sim.waitForFinished(5000);
    QFile recordFile(QStringLiteral("record.txt"));
    recordFile.open(QIODevice::ReadOnly);
    const ModemRecord record = parseRecord(recordFile.readAll().toStdString());
    std::vector<std::string> lines;
    for (const QString &line : script)
        lines.push_back(line.toStdString());
    const std::vector<std::string> expected = configurationOf(lines);
    const bool password = record.password == "nuevaClave";
    const bool configured = record.configuration == expected;
    std::printf("modem: the new password: %s; configured as the script (%zu lines): %s; lines lost: %zu; "
                "commands refused: %zu; logins: %zu ok, %zu refused\n",
                yesNo(password), expected.size(), yesNo(configured), record.texts("lost").size(),
                record.texts("refused").size(), std::ranges::count(record.texts("login"), "ok"),
                std::ranges::count(record.texts("login"), "refused"));
    return password && configured ? 0 : 1;
}
