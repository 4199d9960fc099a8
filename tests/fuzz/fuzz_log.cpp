#include "loader/logfile.h"
#include "loader/transferlog.h"

#include "fuzzfolder.h"

// The log model fed any bytes in any polls: the view's text rebuilt from
// the changes alone equals the model's, the log file synced after each poll
// holds its bytes, and the view's work stays linear in what arrived.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    enterFuzzFolder();
    TransferLog log;
    QString view;
    qsizetype viewWork = 0;
    QObject::connect(&log, &TransferLog::reset, [&](const QString &text) {
        view = text;
        viewWork += text.size();
    });
    QObject::connect(&log, &TransferLog::changed, [&](int removed, const QString &added) {
        FUZZ_CHECK(removed <= view.size());
        view.chop(removed);
        view += added;
        viewWork += removed + added.size();
    });

    const QByteArray start = "Actualizando password. Por favor espere.\r\n....>";
    LogFile file;
    FUZZ_CHECK(file.open(QStringLiteral("912345678"), nullptr));
    log.setText(start);
    log.startReading();
    file.sync(log);

    // Each poll: a length byte, then that many received bytes.
    for (size_t at = 0; at < size;) {
        const size_t length = qMin<size_t>(data[at] % 32, size - at - 1);
        log.appendReceived(fuzzBytes(data + at + 1, length));
        at += 1 + length;
        file.sync(log);
    }
    FUZZ_CHECK(view == log.displayText());
    FUZZ_CHECK(viewWork <= 2 * (start.size() + qsizetype(size)));
    FUZZ_CHECK(readBytes(QStringLiteral("logs/912345678.log")) == log.bytes());
    return 0;
}
