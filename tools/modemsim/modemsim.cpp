// modemsim: answers on a pseudo-terminal like the console of a Nokia M1112.
//
//   modemsim --link com1 [--record FILE] [--eol crlf|lfcr|lf|cr]
//            [--prompt TEXT] [--noise PERCENT] [--seed N]
//
// It makes the symlink given by --link point at the terminal's slave side,
// so that the program finds it as port 1 when run in that folder. Every byte
// received is echoed; a carriage return is answered by the line ending and
// the prompt. On PERCENT of the lines the console also sends clutter that
// the log must cope with: a NUL, and a character taken back by a backspace.
// Every byte received goes to the record file as it arrives. SIGTERM or
// SIGINT removes the link and ends the program. Defaults: --eol crlf,
// --prompt M1112>, --noise 5, --seed 1; a later option overrides an earlier.

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace {

volatile sig_atomic_t g_stop = 0;

void onSignal(int)
{
    g_stop = 1;
}

struct Options
{
    std::string link;
    std::string record;
    std::string eol = "\r\n";
    std::string prompt = "M1112>";
    int noisePercent = 5;
    unsigned seed = 1;
};

void usage()
{
    std::fprintf(stderr,
                 "usage: modemsim --link PATH [--record FILE] [--eol crlf|lfcr|lf|cr]\n"
                 "                [--prompt TEXT] [--noise PERCENT] [--seed N]\n");
}

bool parse(int argc, char **argv, Options &options)
{
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (i + 1 >= argc) {
            std::fprintf(stderr, "modemsim: %s needs a value\n", arg.c_str());
            return false;
        }
        const std::string value = argv[++i];
        if (arg == "--link") {
            options.link = value;
        } else if (arg == "--record") {
            options.record = value;
        } else if (arg == "--prompt") {
            options.prompt = value;
        } else if (arg == "--eol") {
            if (value == "crlf")
                options.eol = "\r\n";
            else if (value == "lfcr")
                options.eol = "\n\r";
            else if (value == "lf")
                options.eol = "\n";
            else if (value == "cr")
                options.eol = "\r";
            else {
                std::fprintf(stderr, "modemsim: unknown line ending %s\n", value.c_str());
                return false;
            }
        } else if (arg == "--noise") {
            options.noisePercent = std::atoi(value.c_str());
            if (options.noisePercent < 0 || options.noisePercent > 100) {
                std::fprintf(stderr, "modemsim: --noise takes 0 to 100\n");
                return false;
            }
        } else if (arg == "--seed") {
            options.seed = unsigned(std::strtoul(value.c_str(), nullptr, 10));
        } else {
            std::fprintf(stderr, "modemsim: unknown option %s\n", arg.c_str());
            return false;
        }
    }
    if (options.link.empty()) {
        std::fprintf(stderr, "modemsim: --link is required\n");
        return false;
    }
    return true;
}

bool writeAll(int fd, const char *data, size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= size_t(n);
    }
    return true;
}

class Console
{
public:
    Console(int master, int slave, const Options &options)
        : m_master(master), m_slave(slave), m_options(options), m_random(options.seed)
    {
    }

    void receive(const char *data, size_t size)
    {
        std::string out;
        for (size_t i = 0; i < size; ++i) {
            const char c = data[i];
            if (c == '\r') {
                if (noisy()) {
                    out += '\0';
                    out += "#\b";
                }
                out += m_options.eol;
                out += m_options.prompt;
            } else if (c == '\b' || c == 0x7f) {
                out += "\b \b";
            } else {
                out += c;
            }
        }
        send(out);
    }

private:
    bool noisy()
    {
        if (m_options.noisePercent == 0)
            return false;
        return int(m_random() % 100) < m_options.noisePercent;
    }

    void send(const std::string &bytes)
    {
        size_t done = 0;
        bool flushed = false;
        while (done < bytes.size()) {
            const ssize_t n = ::write(m_master, bytes.data() + done, bytes.size() - done);
            if (n > 0) {
                done += size_t(n);
                continue;
            }
            if (n < 0 && errno == EINTR)
                continue;
            // Nobody is reading the port and its queue is full: forget what
            // waited there, as a modem talking to an unplugged cable would.
            if (n < 0 && errno == EAGAIN && !flushed) {
                ::tcflush(m_slave, TCIFLUSH);
                flushed = true;
                continue;
            }
            return;
        }
    }

    int m_master;
    int m_slave;
    const Options &m_options;
    std::mt19937 m_random;
};

bool makeRaw(int fd)
{
    termios tio {};
    if (::tcgetattr(fd, &tio) != 0)
        return false;
    ::cfmakeraw(&tio);
    ::cfsetispeed(&tio, B9600);
    ::cfsetospeed(&tio, B9600);
    return ::tcsetattr(fd, TCSANOW, &tio) == 0;
}

// Points the link at the device; an old link (left by a killed run) is
// replaced, anything else at that path is left alone.
bool makeLink(const std::string &link, const char *device)
{
    struct stat st {};
    if (::lstat(link.c_str(), &st) == 0) {
        if (!S_ISLNK(st.st_mode)) {
            std::fprintf(stderr, "modemsim: %s exists and is not a symlink\n", link.c_str());
            return false;
        }
        ::unlink(link.c_str());
    }
    if (::symlink(device, link.c_str()) != 0) {
        std::fprintf(stderr, "modemsim: cannot create %s: %s\n", link.c_str(), std::strerror(errno));
        return false;
    }
    return true;
}

void removeLink(const std::string &link, const char *device)
{
    char target[4096];
    const ssize_t n = ::readlink(link.c_str(), target, sizeof target - 1);
    if (n < 0)
        return;
    target[n] = '\0';
    if (std::strcmp(target, device) == 0)
        ::unlink(link.c_str());
}

} // namespace

int main(int argc, char **argv)
{
    Options options;
    if (!parse(argc, argv, options)) {
        usage();
        return 2;
    }

    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGHUP, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) {
        std::fprintf(stderr, "modemsim: no pseudo-terminal: %s\n", std::strerror(errno));
        return 1;
    }
    const char *slaveName = ::ptsname(master);
    if (!slaveName) {
        std::fprintf(stderr, "modemsim: no pseudo-terminal name\n");
        return 1;
    }
    const std::string device = slaveName;
    // Holding the slave side open ourselves keeps the master from seeing a
    // hang-up each time the program closes the port, and raw mode stops the
    // terminal from echoing our own output back to us before it opens.
    const int slave = ::open(device.c_str(), O_RDWR | O_NOCTTY);
    if (slave < 0 || !makeRaw(slave)) {
        std::fprintf(stderr, "modemsim: cannot set up %s: %s\n", device.c_str(), std::strerror(errno));
        return 1;
    }
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);

    int record = -1;
    if (!options.record.empty()) {
        record = ::open(options.record.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (record < 0) {
            std::fprintf(stderr, "modemsim: cannot write %s: %s\n", options.record.c_str(),
                         std::strerror(errno));
            return 1;
        }
    }
    if (!makeLink(options.link, device.c_str()))
        return 1;
    std::fprintf(stderr, "modemsim: %s -> %s\n", options.link.c_str(), device.c_str());

    Console console(master, slave, options);
    char buffer[4096];
    int status = 0;
    while (!g_stop) {
        pollfd pfd {master, POLLIN, 0};
        const int ready = ::poll(&pfd, 1, 250);
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            status = 1;
            break;
        }
        if (ready == 0 || !(pfd.revents & POLLIN))
            continue;
        const ssize_t n = ::read(master, buffer, sizeof buffer);
        if (n <= 0) {
            if (n < 0 && (errno == EINTR || errno == EAGAIN))
                continue;
            // Cannot happen while we hold the slave open; do not spin if it does.
            ::usleep(10000);
            continue;
        }
        if (record >= 0 && !writeAll(record, buffer, size_t(n)))
            std::fprintf(stderr, "modemsim: cannot write the record: %s\n", std::strerror(errno));
        console.receive(buffer, size_t(n));
    }

    removeLink(options.link, device.c_str());
    if (record >= 0)
        ::close(record);
    ::close(slave);
    ::close(master);
    return status;
}
