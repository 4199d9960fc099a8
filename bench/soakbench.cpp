// soakbench: a day of installs in a few minutes. Fifty fast loads in a row go
// through one ModemLoad, as the program runs every load, over the real serial
// link to the modem simulator on a pseudo-terminal, the program's waits and
// the simulator's times scaled down. Each load sets a new password, as if the
// installer had typed one on the password screen before it.
//
//   build/soakbench [loads]     (default 50, at least 6; about a minute)
//
// Load by load it prints the time, the resident memory, the open descriptors,
// the QObjects below the load (its own, its log's, its link's and its port's)
// and the timers it was given, alive and armed. It exits non-zero when a
// load fails or leaves the modem otherwise than configured with the new
// password; when descriptors, objects or timers after any load differ from
// the first's; or when the resident memory grows more than rssMarginKiB from
// the fifth load to the last.

#include "device/qtseriallink.h"
#include "device/qttimersource.h"
#include "loader/modemload.h"
#include "password/passwordstore.h"
#include "samplescript.h"
#include "spinuntil.h"

#include "modemmodel.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <vector>

namespace {

// Heap and Qt's caches settle in the first loads; after them the resident
// memory moved by some 20 KiB over 45 loads, what the allocator keeps or
// hands back. 64 KiB stays clear of that and still catches a load that keeps
// its log's text (some 800 bytes in a fast load): 108 KiB over the same run.
constexpr long rssMarginKiB = 64;
constexpr int warmLoad = 5;

// Counts the timers it hands out, alive and armed, around the real ones.
class CountingTimers final : public TimerSource
{
public:
    qint64 now() const override { return m_real.now(); }
    std::unique_ptr<Timer> createTimer() override { return std::make_unique<Counted>(*this, m_real.createTimer()); }

    int alive() const { return int(m_alive.size()); }
    int armed() const { return int(std::ranges::count_if(m_alive, [](const Timer *t) { return t->isActive(); })); }

private:
    struct Counted final : Timer
    {
        Counted(CountingTimers &source, std::unique_ptr<Timer> real) : m_source(source), m_real(std::move(real))
        {
            m_real->timeout = [this] {
                if (timeout)
                    timeout();
            };
            m_source.m_alive.push_back(this);
        }
        ~Counted() override { std::erase(m_source.m_alive, this); }
        void start(qint64 ms) override { m_real->start(ms); }
        void stop() override { m_real->stop(); }
        bool isActive() const override { return m_real->isActive(); }

        CountingTimers &m_source;
        std::unique_ptr<Timer> m_real;
    };

    QtTimerSource m_real;
    std::vector<Counted *> m_alive;
};

long residentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return 0;
}

// As /proc lists them: files, pipes, sockets and the event loop's own.
long openDescriptors()
{
    std::error_code none;
    return long(std::distance(std::filesystem::directory_iterator("/proc/self/fd", none),
                              std::filesystem::directory_iterator()));
}

struct Sample
{
    qint64 ms = 0;
    long rss = 0;
    long fds = 0;
    qsizetype objects = 0;
    int timers = 0;
    int armed = 0;
};

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int loads = argc > 1 ? QByteArray(argv[1]).toInt() : 50;
    if (loads <= warmLoad) {
        std::fprintf(stderr, "usage: soakbench [loads]   (more than %d)\n", warmLoad);
        return 2;
    }
    QTemporaryDir dir;
    if (!dir.isValid() || !QDir::setCurrent(dir.path()))
        return 2;

    const QStringList lines = writeSampleScript();
    if (lines.isEmpty())
        return 2;
    std::vector<std::string> script;
    for (const QString &line : lines)
        script.push_back(line.toStdString());
    const std::vector<std::string> configured = configurationOf(script);

    QProcess sim;
    sim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    sim.start(QStringLiteral(MODEMSIM_PATH), {"--link", "com1", "--state", "modem-state.txt", "--noise", "0",
                                              "--answer-ms", "5", "--boot-seconds", "0.05"});
    if (!sim.waitForStarted(5000) || !spinUntil([] { return QFile::exists("com1"); }, 5000)) {
        std::fprintf(stderr, "soakbench: the modem simulator did not start\n");
        return 2;
    }

    CountingTimers timers;
    PasswordStore passwords;
    auto owned = std::make_unique<QtSerialLink>();
    const QtSerialLink *link = owned.get();
    ModemLoad load(std::move(owned), timers, passwords,
                   {.lineWait = 100, .restartWait = 300, .loginPause = 200, .poll = 10,
                    .readiness = {.readyQuiet = 20, .learnQuiet = 60}});
    bool finished = false;
    QString failure;
    QObject::connect(&load, &ModemLoad::finished, [&] { finished = true; });
    QObject::connect(&load, &ModemLoad::failed, [&](const Message &message) { failure = message.text; });

    std::printf("soakbench: %d fast loads of the %zu-line DHCP script through one ModemLoad\n"
                "load     ms  RSS KiB  fds  objects  timers (armed)\n",
                loads, script.size());
    std::vector<Sample> samples;
    for (int i = 1; i <= loads; ++i) {
        // As the password screen does when it opens, then the installer types.
        passwords.loadPassword();
        const QString next = QStringLiteral("clave%1").arg(i);
        passwords.setNewPassword(next);
        finished = false;
        QElapsedTimer took;
        took.start();
        if (const std::optional<Message> refused = load.prepare(QStringLiteral("5551234"), 1, true)) {
            std::fprintf(stderr, "soakbench: load %d refused: %s\n", i, qPrintable(refused->text));
            return 1;
        }
        load.begin();
        if (!spinUntil([&] { return finished; }, 60000) || !failure.isEmpty()) {
            std::fprintf(stderr, "soakbench: load %d did not end well: %s\n", i, qPrintable(failure));
            return 1;
        }
        const qint64 ms = took.elapsed();
        load.release(); // Cerrar
        QCoreApplication::processEvents(); // what was deleted later goes

        passwords.loadPassword();
        const std::optional<ModemFlash> modem = readFlash("modem-state.txt");
        if (passwords.currentPass() != next || !modem || modem->password != next.toStdString()
            || modem->configuration != configured) {
            std::fprintf(stderr, "soakbench: after load %d claves.dat holds \"%s\" and the modem \"%s\"%s\n", i,
                         qPrintable(passwords.currentPass()), modem ? modem->password.c_str() : "(no state)",
                         modem && modem->configuration != configured ? ", not configured as the script says"
                                                                     : "");
            return 1;
        }
        const Sample s{ms,
                       residentKiB(),
                       openDescriptors(),
                       load.findChildren<QObject *>().size() + link->findChildren<QObject *>().size() + link->port().findChildren<QObject *>().size(),
                       timers.alive(),
                       timers.armed()};
        samples.push_back(s);
        std::printf("%4d %6lld %8ld %4ld %8lld %7d (%d)\n", i, qlonglong(s.ms), s.rss, s.fds, qlonglong(s.objects),
                    s.timers, s.armed);
        std::fflush(stdout);
    }
    sim.terminate();
    sim.waitForFinished(5000);

    const Sample &first = samples.front();
    const bool flat = std::ranges::all_of(samples, [&](const Sample &s) {
        return s.fds == first.fds && s.objects == first.objects && s.timers == first.timers && s.armed == first.armed;
    });
    const long grown = samples.back().rss - samples[warmLoad - 1].rss;
    std::printf("descriptors, objects and timers as after the first load: %s\n"
                "RSS from load %d to %d: %+ld KiB (at most %ld): %s\n",
                flat ? "yes" : "NO", warmLoad, loads, grown, rssMarginKiB, grown <= rssMarginKiB ? "yes" : "NO");
    return flat && grown <= rssMarginKiB ? 0 : 1;
}
