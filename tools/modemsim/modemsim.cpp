// modemsim: the console of a Nokia M1112 on a pseudo-terminal, as modelled
// by ModemModel (modemmodel.h), for trying the program and for the
// end-to-end tests. Options: see usage() below.
//
// It makes the symlink given by --link point at the terminal's slave side,
// so that the program finds it as port 1 when run in that folder. The
// modem's password and saved configuration live in the --state file, which
// survives the process as the modem's flash does. The --record file gets
// what happens as it happens (lines received, lost, commands accepted and
// refused) and, at the end, the password and the running configuration.
// SIGTERM, SIGINT or SIGHUP ends the program and removes the link.

#include "modemmodel.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
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
    std::string state;
    ModemSettings modem;
};

void usage(FILE *to)
{
    const ModemSettings d;
    std::fprintf(to,
                 "usage: modemsim --link PATH [--record FILE] [--state FILE]\n"
                 "                [--eol crlf|lfcr|lf|cr] [--noise PERCENT] [--seed N]\n"
                 "                [--answer-ms MIN[-MAX]] [--boot-seconds S] [--booting-seconds S]\n"
                 "                [--prompt TEXT] [--text NAME=TEXT]...\n"
                 "                [--quirk boot-pause|counting-prompt]...\n"
                 "  --link PATH         symlink made to the terminal (required)\n"
                 "  --record FILE       what the modem received, lost, accepted and refused,\n"
                 "                      then its password and running configuration\n"
                 "  --state FILE        password and saved configuration, kept between runs\n"
                 "                      (missing: a new modem, password %s)\n"
                 "  --eol               line ending of the answers (crlf)\n"
                 "  --noise PERCENT     lines with a NUL and a backspaced character (5)\n"
                 "  --seed N            for the noise and the answer times (1)\n"
                 "  --answer-ms MIN-MAX time each line takes to answer (%lld-%lld)\n"
                 "  --boot-seconds S    deaf after restart (%g)\n"
                 "  --booting-seconds S still booting, and deaf, this long when it starts, as\n"
                 "                      a modem switched on just before the load (0)\n"
                 "  --prompt TEXT       the command prompt (\"%s\"), as --text prompt=TEXT\n"
                 "  --text NAME=TEXT    one of the texts: banner (\"%s\"),\n"
                 "                      login (\"%s\"), password (\"%s\"),\n"
                 "                      refused (\"%s\"), error (\"%s\"),\n"
                 "                      conf (after conf; empty: as the prompt),\n"
                 "                      busy (shown while a configuration command works,\n"
                 "                      4.5 s the first time, 1 s after; empty: none)\n"
                 "  --quirk boot-pause  the boot says a line, half way a text without a line\n"
                 "                      break, then nothing until it is done\n"
                 "  --quirk counting-prompt  the prompt starts with the count of lines\n"
                 "                      answered, so no two are alike\n",
                 ModemFlash().password.c_str(), (long long)d.answerMin,
                 (long long)d.answerMax, double(d.bootMs) / 1000, d.texts.prompt.c_str(),
                 d.texts.banner.c_str(), d.texts.login.c_str(), d.texts.password.c_str(),
                 d.texts.refused.c_str(), d.texts.error.c_str());
}

bool setText(ModemTexts &texts, std::string &busy, const std::string &assignment)
{
    const size_t equals = assignment.find('=');
    const std::string name = assignment.substr(0, equals);
    std::string *text = name == "banner" ? &texts.banner
        : name == "login"                ? &texts.login
        : name == "password"             ? &texts.password
        : name == "refused"              ? &texts.refused
        : name == "prompt"               ? &texts.prompt
        : name == "conf"                 ? &texts.configPrompt
        : name == "error"                ? &texts.error
                                         : nullptr;
    if (name == "busy")
        text = &busy;
    if (!text || equals == std::string::npos)
        return false;
    *text = assignment.substr(equals + 1);
    return true;
}

bool parse(int argc, char **argv, Options &options)
{
    ModemSettings &modem = options.modem;
    modem.noisePercent = 5;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (i + 1 >= argc) {
            std::fprintf(stderr, "modemsim: %s needs a value\n", arg.c_str());
            return false;
        }
        const std::string value = argv[++i];
        char *end = nullptr;
        if (arg == "--link") {
            options.link = value;
        } else if (arg == "--record") {
            options.record = value;
        } else if (arg == "--state") {
            options.state = value;
        } else if (arg == "--prompt") {
            modem.texts.prompt = value;
        } else if (arg == "--text") {
            if (!setText(modem.texts, modem.busyText, value)) {
                std::fprintf(stderr, "modemsim: --text takes NAME=TEXT, not %s\n", value.c_str());
                return false;
            }
        } else if (arg == "--quirk") {
            if (value == "boot-pause")
                modem.bootPause = true;
            else if (value == "counting-prompt")
                modem.countingPrompt = true;
            else {
                std::fprintf(stderr, "modemsim: unknown quirk %s\n", value.c_str());
                return false;
            }
        } else if (arg == "--eol") {
            if (value == "crlf")
                modem.eol = "\r\n";
            else if (value == "lfcr")
                modem.eol = "\n\r";
            else if (value == "lf")
                modem.eol = "\n";
            else if (value == "cr")
                modem.eol = "\r";
            else {
                std::fprintf(stderr, "modemsim: unknown line ending %s\n", value.c_str());
                return false;
            }
        } else if (arg == "--noise") {
            modem.noisePercent = std::atoi(value.c_str());
            if (modem.noisePercent < 0 || modem.noisePercent > 100) {
                std::fprintf(stderr, "modemsim: --noise takes 0 to 100\n");
                return false;
            }
        } else if (arg == "--seed") {
            modem.seed = unsigned(std::strtoul(value.c_str(), nullptr, 10));
        } else if (arg == "--answer-ms") {
            modem.answerMin = modem.answerMax = std::strtoll(value.c_str(), &end, 10);
            if (*end == '-')
                modem.answerMax = std::strtoll(end + 1, &end, 10);
            if (*end || modem.answerMin < 0 || modem.answerMax < modem.answerMin) {
                std::fprintf(stderr, "modemsim: --answer-ms takes MIN or MIN-MAX\n");
                return false;
            }
        } else if (arg == "--boot-seconds" || arg == "--booting-seconds") {
            const double seconds = std::strtod(value.c_str(), &end);
            if (*end || !(seconds >= 0 && seconds < 1e6)) {
                std::fprintf(stderr, "modemsim: %s takes a number of seconds\n", arg.c_str());
                return false;
            }
            (arg == "--boot-seconds" ? modem.bootMs : modem.bootingMs) = std::int64_t(seconds * 1000);
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

// Writes to the terminal. Nobody reading the port and its queue full: what
// waited there is forgotten, as a modem talking to an unplugged cable would.
void send(int master, int slave, const std::string &bytes)
{
    size_t done = 0;
    bool flushed = false;
    while (done < bytes.size()) {
        const ssize_t n = ::write(master, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += size_t(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN && !flushed) {
            ::tcflush(slave, TCIFLUSH);
            flushed = true;
            continue;
        }
        return;
    }
}

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
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        usage(stdout);
        return 0;
    }
    if (!parse(argc, argv, options)) {
        usage(stderr);
        return 2;
    }
    std::optional<ModemFlash> flash = ModemFlash();
    if (!options.state.empty() && !(flash = readFlash(options.state))) {
        std::fprintf(stderr, "modemsim: %s is not a state file\n", options.state.c_str());
        return 1;
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

    ModemModel modem(options.modem, *flash);
    const auto start = std::chrono::steady_clock::now();
    const auto now = [&] {
        return std::int64_t(std::chrono::duration_cast<std::chrono::milliseconds>(
                                std::chrono::steady_clock::now() - start)
                                .count());
    };
    // What the model did goes out, to the record and to the state file.
    const auto flush = [&](const std::string &more) {
        send(master, slave, modem.takeOutput());
        const std::string text = modem.takeRecord() + more;
        if (record >= 0 && !writeAll(record, text.data(), text.size()))
            std::fprintf(stderr, "modemsim: cannot write the record: %s\n", std::strerror(errno));
        if (modem.takeFlashChange() && !options.state.empty() && !writeFlash(options.state, modem.flash()))
            std::fprintf(stderr, "modemsim: cannot write %s\n", options.state.c_str());
    };

    char buffer[4096];
    int status = 0;
    while (!g_stop) {
        const std::optional<std::int64_t> next = modem.nextEvent();
        const int timeout = next ? int(std::clamp<std::int64_t>(*next - now(), 0, 250)) : 250;
        pollfd pfd {master, POLLIN, 0};
        const int ready = ::poll(&pfd, 1, timeout);
        if (ready < 0 && errno != EINTR) {
            status = 1;
            break;
        }
        if (ready > 0 && (pfd.revents & POLLIN)) {
            const ssize_t n = ::read(master, buffer, sizeof buffer);
            if (n > 0)
                modem.receive(now(), std::string_view(buffer, size_t(n)));
            else if (n == 0 || (errno != EINTR && errno != EAGAIN))
                ::usleep(10000); // cannot happen while we hold the slave open; do not spin
        }
        modem.advanceTo(now());
        flush({});
    }
    modem.advanceTo(now());
    flush(modem.finalState());

    removeLink(options.link, device.c_str());
    if (record >= 0)
        ::close(record);
    ::close(slave);
    ::close(master);
    return status;
}
