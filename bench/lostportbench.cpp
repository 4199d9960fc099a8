// lostportbench: what the program costs once the cable is pulled in the
// middle of a transfer. A transfer runs through the real serial link to the
// modem simulator on a pseudo-terminal; the simulator is killed, as a pulled
// cable, and the CPU the process then uses while idle is measured.
//
//   build/lostportbench [seconds]     (default 2)
//
// It prints the CPU seconds per second after the loss and exits non-zero at
// 5 % of one core or more: a dead device must not be polled in a busy loop.

#include "device/qtseriallink.h"
#include "device/qttimersource.h"
#include "loader/transferdialogue.h"
#include "loader/transferlog.h"
#include "spinuntil.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

#include <time.h>

namespace {

double cpuSeconds()
{
    timespec t {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const double seconds = argc > 1 ? QByteArray(argv[1]).toDouble() : 2.0;
    if (seconds <= 0) {
        std::fprintf(stderr, "usage: lostportbench [seconds]\n");
        return 2;
    }
    QTemporaryDir dir;
    if (!dir.isValid() || !QDir::setCurrent(dir.path()))
        return 2;

    QProcess sim;
    sim.start(QStringLiteral(MODEMSIM_PATH),
              {"--link", "com1", "--noise", "0", "--boot-seconds", "0", "--answer-ms", "1"});
    QDir().mkdir(QStringLiteral("configuraciones"));
    QFile script(QStringLiteral("configuraciones/5551234.cfg"));
    if (!sim.waitForStarted(5000) || !spinUntil([] { return QFile::exists("com1"); }, 5000)
        || !script.open(QIODevice::WriteOnly)) {
        std::fprintf(stderr, "lostportbench: the modem simulator did not start\n");
        return 2;
    }
    for (int i = 0; i < 40; ++i)
        script.write("restart\r\n");
    script.close();

    QtSerialLink link;
    QtTimerSource timers;
    TransferLog log;
    LogFile logged;
    TransferDialogue dialogue(link, timers, log, logged,
                              {.lineWait = 60, .restartWait = 60, .loginPause = 60, .poll = 10});
    bool finished = false;
    QObject::connect(&dialogue, &TransferDialogue::finished, [&] { finished = true; });
    if (dialogue.prepare({"5551234", 1, "trumelox", "trumelox"}) || (dialogue.begin(), !dialogue.isRunning())) {
        std::fprintf(stderr, "lostportbench: the transfer did not start\n");
        return 2;
    }
    spinUntil([&] { return log.bytes().count("restart") >= 2; }, 10000);
    sim.kill();
    sim.waitForFinished(5000);
    if (!spinUntil([&] { return finished; }, 5000)) {
        std::fprintf(stderr, "lostportbench: the loss was not reported\n");
        return 1;
    }

    QElapsedTimer wall;
    wall.start();
    const double before = cpuSeconds();
    QEventLoop idle;
    QTimer::singleShot(int(seconds * 1000), &idle, &QEventLoop::quit);
    idle.exec();
    const double load = (cpuSeconds() - before) / (wall.nsecsElapsed() / 1e9);
    std::printf("after the cable is pulled: %.2f%% of one core over %.1f s; under 5%%: %s\n", load * 100,
                seconds, load < 0.05 ? "yes" : "NO");
    return load < 0.05 ? 0 : 1;
}
