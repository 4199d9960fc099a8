#include "app/endsignals.h"

#include <QtGlobal>

#ifdef Q_OS_UNIX

#include <QSocketNotifier>

#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr std::array endingSignals{SIGTERM, SIGHUP, SIGINT};

// The handler's end of the socket pair; one EndSignals at a time.
volatile sig_atomic_t wakeFd = -1;

extern "C" void wakeLoop(int number)
{
    const int saved = errno;
    const char byte = char(number);
    // Non-blocking: a full socket already holds a wake-up.
    [[maybe_unused]] const ssize_t written = ::write(wakeFd, &byte, 1);
    errno = saved;
}

} // namespace

struct EndSignals::Wake
{
    int fds[2] = {-1, -1};
    std::array<struct sigaction, endingSignals.size()> previous{};
    std::unique_ptr<QSocketNotifier> notifier;
    bool arrived = false;
};

EndSignals::EndSignals(std::function<void()> end)
    : m_wake(std::make_unique<Wake>())
{
    Wake &wake = *m_wake;
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, wake.fds) != 0)
        return; // the signals keep their default: the program just ends
    for (int fd : wake.fds) {
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    }
    wake.notifier = std::make_unique<QSocketNotifier>(wake.fds[1], QSocketNotifier::Read);
    QObject::connect(wake.notifier.get(), &QSocketNotifier::activated, wake.notifier.get(),
                     [&wake, end = std::move(end)] {
                         char bytes[16];
                         while (::read(wake.fds[1], bytes, sizeof bytes) > 0) {
                         }
                         wake.arrived = true;
                         end();
                     });
    // The socket is ready before the first signal can reach it.
    wakeFd = wake.fds[0];
    struct sigaction action = {};
    action.sa_handler = wakeLoop;
    sigemptyset(&action.sa_mask);
    // A second signal takes the default action: a program stuck in a write
    // can still be ended.
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    for (std::size_t i = 0; i < endingSignals.size(); ++i) {
        ::sigaction(endingSignals[i], nullptr, &wake.previous[i]);
        // Ignored from the start (nohup, a script's background job): the
        // one who started the program wants it so.
        if (wake.previous[i].sa_handler != SIG_IGN)
            ::sigaction(endingSignals[i], &action, nullptr);
    }
}

EndSignals::~EndSignals()
{
    Wake &wake = *m_wake;
    if (!wake.notifier)
        return;
    for (std::size_t i = 0; i < endingSignals.size(); ++i)
        ::sigaction(endingSignals[i], &wake.previous[i], nullptr);
    wakeFd = -1;
    wake.notifier.reset();
    ::close(wake.fds[0]);
    ::close(wake.fds[1]);
}

bool EndSignals::arrived() const
{
    return m_wake->arrived;
}

#else

struct EndSignals::Wake
{
};

EndSignals::EndSignals(std::function<void()>) {}
EndSignals::~EndSignals() = default;

bool EndSignals::arrived() const
{
    return false;
}

#endif
