// logbench: what the live log costs when a console talks as fast as a serial
// line can carry. Console-like bytes are fed in 10 ms chunks of 115 bytes
// (115200 baud) through TransferLog into a shown LogView, in wire time: each
// chunk is fed, the view is flushed as its timer would every 50 ms of wire
// time, and the pending events (repaints included) run; nothing sleeps.
//
//   QT_QPA_PLATFORM=offscreen build/logbench [--hidden] [--long-line] [MiB ...]
//                                            (default: 1 8; with --long-line: 2)
//
// It prints CPU seconds per wire second, the cost of the first and the last
// MiB fed, and the peak memory of the process. --hidden leaves the view
// unshown, which tells the cost of the text from that of the painting.
// --long-line feeds the same text with no line break at all, as a modem
// whose line ends are lost would: the cost per byte must stay flat there too.

#include "loader/logview.h"
#include "loader/transferlog.h"

#include <QApplication>
#include <QEvent>
#include <QScrollBar>

#include <cstdio>
#include <random>

#include <sys/resource.h>
#include <time.h>

namespace {

constexpr int chunkBytes = 115; // 10 ms at 115200 baud, 8N1
constexpr double chunkSeconds = 0.010;
constexpr qint64 mib = 1024 * 1024;

double cpuSeconds()
{
    timespec t {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

long peakRssKiB()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// What a router console prints: echoed commands, prompts, tables, a
// corrected typo now and then and the odd NUL, with CR LF line ends.
class ConsoleText
{
public:
    explicit ConsoleText(bool breaks)
        : m_lineEnd(breaks ? "\r\n" : "  ")
    {
    }

    QByteArray next(int size)
    {
        while (m_pending.size() < size)
            m_pending += line();
        QByteArray chunk = m_pending.left(size);
        m_pending.remove(0, size);
        return chunk;
    }

private:
    QByteArray line()
    {
        static const char *const lines[] = {
            "M1112> ip addr 192.0.2.1/30",
            "Interface  Address          Mask             MTU   State",
            "eth0       192.168.1.1      255.255.255.0    1500  up",
            "atm0       10.20.30.40      255.255.255.252  1500  up",
            "Saving configuration to flash ... done",
            "vci 32 vpi 8 encapsulation llc-bridged",
            "dhcp server enable pool 192.168.1.2 192.168.1.254 domain adsl",
        };
        QByteArray text = lines[m_random() % 7];
        if (m_random() % 20 == 0)
            text += "x\b"; // a typo taken back
        if (m_random() % 50 == 0)
            text += '\0';
        return text + m_lineEnd;
    }

    const QByteArray m_lineEnd;
    std::mt19937 m_random{2026};
    QByteArray m_pending;
};

class PaintCounter : public QObject
{
public:
    int paints = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

struct Result
{
    double wireSeconds = 0;
    double cpu = 0;
    double firstMiBCpu = 0;
    double lastMiBCpu = 0;
    int paints = 0;
    long peakKiB = 0;
    QList<double> perMiBCpu;
    bool consistent = false;
};

Result run(qint64 totalBytes, bool shown, bool breaks)
{
    TransferLog log;
    LogView view;
    view.resize(800, 500);
    view.setLog(&log);
    PaintCounter counter;
    view.viewport()->installEventFilter(&counter);
    if (shown)
        view.show();
    QApplication::processEvents();

    log.setText("Actualizando password. Por favor espere.\r\n....>");
    log.startReading();
    ConsoleText console(breaks);
    const int chunksPerFlush = LogView::flushIntervalMs / int(chunkSeconds * 1000);

    Result result;
    const double start = cpuSeconds();
    double mibStart = start;
    qint64 fed = 0;
    qint64 chunks = 0;
    qint64 mibsDone = 0;
    while (fed < totalBytes) {
        const int size = int(qMin<qint64>(chunkBytes, totalBytes - fed));
        log.appendReceived(console.next(size));
        fed += size;
        ++chunks;
        if (chunks % chunksPerFlush == 0)
            view.flush();
        QApplication::processEvents();

        // Chunks do not end on MiB boundaries: a MiB is counted when the
        // chunk that crosses its end has been shown.
        if (fed / mib > mibsDone || fed == totalBytes) {
            const double now = cpuSeconds();
            if (mibsDone == 0)
                result.firstMiBCpu = now - mibStart;
            result.lastMiBCpu = now - mibStart;
            result.perMiBCpu.append(now - mibStart);
            mibStart = now;
            mibsDone = fed / mib;
        }
    }
    view.flush();
    QApplication::processEvents();
    result.cpu = cpuSeconds() - start;
    result.wireSeconds = double(chunks) * chunkSeconds;
    result.paints = counter.paints;
    result.peakKiB = peakRssKiB();
    result.consistent = view.logText() == log.displayText()
        && view.verticalScrollBar()->value() == view.verticalScrollBar()->maximum();
    return result;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    QList<int> sizes;
    bool shown = true;
    bool breaks = true;
    for (int i = 1; i < argc; ++i) {
        if (QByteArray(argv[i]) == "--hidden") {
            shown = false;
            continue;
        }
        if (QByteArray(argv[i]) == "--long-line") {
            breaks = false;
            continue;
        }
        bool ok = false;
        const int size = QByteArray(argv[i]).toInt(&ok);
        if (!ok || size < 1) {
            std::fprintf(stderr, "usage: logbench [--hidden] [--long-line] [MiB ...]\n");
            return 2;
        }
        sizes.append(size);
    }
    if (sizes.isEmpty())
        sizes = breaks ? QList<int>{1, 8} : QList<int>{2};

    std::printf("%d bytes %severy %.0f ms (115200 baud) into a %s %s LogView, flushed every %d ms\n",
                chunkBytes, breaks ? "" : "of one line with no break ", chunkSeconds * 1000,
                shown ? "shown" : "hidden", qPrintable(QGuiApplication::platformName()),
                LogView::flushIntervalMs);
    std::printf("%6s %9s %8s %12s %14s %14s %8s %10s %6s\n", "MiB", "wire s", "CPU s", "CPU/wire s",
                "first MiB CPU", "last MiB CPU", "paints", "peak MiB", "same");
    bool allWithinTarget = true;
    bool allFlat = true;
    for (int size : sizes) {
        const Result r = run(size * mib, shown, breaks);
        const double load = r.cpu / r.wireSeconds;
        const double growth = r.lastMiBCpu / qMax(r.firstMiBCpu, 1e-9);
        std::printf("%6d %9.1f %8.3f %11.2f%% %13.3fs %13.3fs %8d %10.1f %6s\n", size, r.wireSeconds,
                    r.cpu, load * 100, r.firstMiBCpu, r.lastMiBCpu, r.paints, r.peakKiB / 1024.0,
                    r.consistent ? "yes" : "NO");
        if (r.perMiBCpu.size() > 1) {
            std::printf("       CPU s of each MiB:");
            for (double cpu : r.perMiBCpu)
                std::printf(" %.2f", cpu);
            std::printf("\n");
        }
        allWithinTarget = allWithinTarget && load < 0.05;
        if (size > 1)
            allFlat = allFlat && growth < 1.5;
    }
    std::printf("under 5%% of one core: %s; cost per byte flat (last MiB within 1.5x of the first): %s\n",
                allWithinTarget ? "yes" : "NO", allFlat ? "yes" : "NO");
    return allWithinTarget && allFlat ? 0 : 1;
}
