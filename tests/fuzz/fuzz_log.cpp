#include "loader/transferlog.h"

#include "fuzzfolder.h"

// The log model fed any bytes in any polls: the view's text rebuilt from
// the changes alone equals the model's, the file's bytes rebuilt from the
// syncs equal the log, and neither costs more than what arrived.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
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
    log.setText(start);
    log.startReading();
    QByteArray file = log.bytes();
    log.markSynced();
    qsizetype fileWork = file.size();

    // Each poll: a length byte, then that many received bytes.
    for (size_t at = 0; at < size;) {
        const size_t length = qMin<size_t>(data[at] % 32, size - at - 1);
        log.appendReceived(fuzzBytes(data + at + 1, length));
        at += 1 + length;
        // What LogFile::sync does on disk.
        const qsizetype from = qMin(log.unsyncedFrom(), file.size());
        file.truncate(from);
        file += log.bytes().mid(from);
        fileWork += file.size() - from;
        log.markSynced();
    }
    FUZZ_CHECK(view == log.displayText());
    FUZZ_CHECK(file == log.bytes());
    const qsizetype budget = 2 * (start.size() + qsizetype(size));
    FUZZ_CHECK(viewWork <= budget && fileWork <= budget);
    return 0;
}
