// loadbench: a whole load as an installer runs it, fixed and fast side by
// side. The 32-line DHCP script goes out in real time, through the real
// serial link, to the modem simulator on a pseudo-terminal behaving as a
// modem (25 s boot, answers in 50-300 ms, some noise), once on the fixed
// schedule and once as a fast load, each to a new modem, for each kind of
// modem:
//   model    the simulator as it comes;
//   early    Aceptar pressed too soon: still booting 7 s when the port opens;
//   oneprompt one and the same prompt for the login, the password and the
//            commands.
//
//   build/loadbench [model|early|oneprompt]...   (all three: about 14 minutes)
//
// For each it prints both totals and their ratio, how late each line went
// against the fixed schedule in either load, both verdicts and both modems'
// final state against the script; it exits non-zero when a modem did not end
// up configured as the script says, the two ended differently, or a fast
// load took more than its share of the fixed one (a quarter, half for early).

#include "device/qtseriallink.h"
#include "device/qttimersource.h"
#include "loader/transferdialogue.h"
#include "loader/transferlog.h"
#include "samplescript.h"
#include "spinuntil.h"

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
#include <climits>
#include <cstdio>
#include <optional>

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

struct Run
{
    QList<std::pair<qint64, QByteArray>> sent; // from the first line
    qint64 total = 0;
    QString verdict;
    ModemRecord record;
};

// One load to a new modem; nullopt when it did not start or end.
std::optional<Run> load(const QString &kind, const QStringList &modem, bool fast, const TransferTimings &timings)
{
    const QString tag = kind + (fast ? QStringLiteral("-fast") : QStringLiteral("-fixed"));
    QProcess sim;
    sim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QFile::remove(QStringLiteral("com1"));
    sim.start(QStringLiteral(MODEMSIM_PATH),
              QStringList{"--link", "com1", "--record", tag + ".record", "--state", tag + ".state"} + modem);
    if (!sim.waitForStarted(5000) || !spinUntil([] { return QFile::exists("com1"); }, 5000)) {
        std::fprintf(stderr, "loadbench: the modem simulator did not start\n");
        return std::nullopt;
    }
    TimedLink link;
    QtTimerSource timers;
    TransferLog log;
    LogFile logged;
    TransferDialogue dialogue(link, timers, log, logged, timings);
    bool finished = false;
    QObject::connect(&dialogue, &TransferDialogue::finished, [&] { finished = true; });
    link.clock.start();
    if (dialogue.prepare({"5551234", 1, "trumelox", "nuevaClave", fast})
        || (dialogue.begin(), !dialogue.isRunning())) {
        std::fprintf(stderr, "loadbench: the load did not start\n");
        return std::nullopt;
    }
    if (!spinUntil([&] { return finished; }, 300000) || link.sent.isEmpty()) {
        std::fprintf(stderr, "loadbench: the load did not end\n");
        return std::nullopt;
    }
    Run run;
    const qint64 first = link.sent.first().first;
    run.total = link.clock.elapsed() - first;
    for (const auto &[at, text] : link.sent)
        run.sent.append({at - first, text});
    run.verdict = dialogue.verdict();
    dialogue.closePort();
    sim.terminate();
    sim.waitForFinished(5000);
    QFile recordFile(tag + ".record");
    recordFile.open(QIODevice::ReadOnly);
    run.record = parseRecord(recordFile.readAll().toStdString());
    return run;
}

struct Kind
{
    const char *name;
    const char *what;
    QStringList modem; // the simulator's options
    double share;      // of the fixed load's time, at most, for the fast one
};

// One kind of modem, fixed then fast; false when either went wrong.
bool compare(const Kind &kind, const QStringList &script)
{
    const TransferTimings timings;
    std::printf("\n== %s: %s\n", kind.name, kind.what);
    std::fflush(stdout);
    const std::optional<Run> fixed = load(QString::fromLatin1(kind.name), kind.modem, false, timings);
    if (!fixed)
        return false;
    const std::optional<Run> fast = load(QString::fromLatin1(kind.name), kind.modem, true, timings);
    if (!fast)
        return false;

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
    std::printf("fixed: %.2f s, fast: %.2f s (the schedule: %.2f s); fast/fixed: %.3f\n",
                fixed->total / 1000.0, fast->total / 1000.0, at / 1000.0,
                double(fast->total) / double(fixed->total));
    std::printf("each line against the fixed schedule (ms): fixed load, fast load\n");
    qint64 worst[2] = {LLONG_MIN, LLONG_MIN};
    for (qsizetype i = 0; i < due.size(); ++i) {
        qint64 late[2] = {0, 0};
        for (int k = 0; k < 2; ++k) {
            const Run &run = k ? *fast : *fixed;
            late[k] = i < run.sent.size() ? run.sent[i].first - due[i] : 0;
            worst[k] = std::max(worst[k], late[k]);
        }
        const bool secret = i == 3 || i == 6 || i == 12;
        const QByteArray text = i < fixed->sent.size() ? fixed->sent[i].second : QByteArray();
        std::printf("  %2lld %+7lld %+7lld  %s\n", qlonglong(i + 1), qlonglong(late[0]), qlonglong(late[1]),
                    secret ? "(password)" : text.isEmpty() ? "(empty line)" : text.constData());
    }
    std::printf("latest against the schedule: fixed %+lld ms, fast %+lld ms; lines sent: %lld, %lld\n",
                qlonglong(worst[0]), qlonglong(worst[1]), qlonglong(fixed->sent.size()),
                qlonglong(fast->sent.size()));

    std::vector<std::string> lines;
    for (const QString &line : script)
        lines.push_back(line.toStdString());
    const std::vector<std::string> expected = configurationOf(lines);
    bool configured = true;
    for (const Run *run : {&*fixed, &*fast}) {
        const ModemRecord &record = run->record;
        const bool password = record.password == "nuevaClave";
        const bool asScript = record.configuration == expected;
        configured = configured && password && asScript;
        std::printf("%s load: verdict: %s\n  modem: the new password: %s; configured as the script "
                    "(%zu lines): %s; lines lost: %zu; buffered: %zu; commands refused: %zu; "
                    "logins: %zu ok, %zu refused\n",
                    run == &*fast ? "fast" : "fixed", run->verdict.toUtf8().constData(), yesNo(password),
                    expected.size(), yesNo(asScript), record.texts("lost").size(),
                    record.texts("buffered").size(), record.texts("refused").size(),
                    std::ranges::count(record.texts("login"), "ok"),
                    std::ranges::count(record.texts("login"), "refused"));
    }
    const bool same = fixed->record.password == fast->record.password
        && fixed->record.configuration == fast->record.configuration;
    const bool quick = double(fast->total) <= kind.share * double(fixed->total);
    std::printf("both modems end in the same state: %s; fast within %.2f of fixed: %s\n", yesNo(same),
                kind.share, yesNo(quick));
    return configured && same && quick;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    if (!dir.isValid() || !QDir::setCurrent(dir.path()))
        return 2;

    const QStringList script = writeSampleScript();
    if (script.isEmpty())
        return 2;
    const QList<Kind> kinds{
        {"model", "the simulator as it comes", {}, 0.25},
        {"early", "still booting 7 s when the port opens (Aceptar pressed too soon)",
         {"--booting-seconds", "7", "--quirk", "boot-pause"}, 0.5},
        {"oneprompt", "one prompt, \"> \", for the login, the password and the commands",
         {"--prompt", "> ", "--text", "login=> ", "--text", "password=> "}, 0.25}};
    QStringList chosen = app.arguments().mid(1);
    std::printf("loadbench: %lld-line DHCP load, fixed then fast, to a modem with a 25 s boot "
                "answering in 50-300 ms\n",
                qlonglong(script.size()));
    bool good = true;
    for (const Kind &kind : kinds) {
        if (chosen.isEmpty() || chosen.removeAll(QString::fromLatin1(kind.name)))
            good = compare(kind, script) && good;
    }
    if (!chosen.isEmpty()) {
        std::fprintf(stderr, "loadbench: unknown kind %s (model, early, oneprompt)\n", qPrintable(chosen.join(' ')));
        return 2;
    }
    return good ? 0 : 1;
}
