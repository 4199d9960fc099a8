#include "loader/transferdialogue.h"
#include "loader/transferlog.h"

#include "fakeseriallink.h"
#include "fuzzfolder.h"
#include "virtualtimersource.h"

// The script a transfer reads: whatever the file holds, every line reaches
// the modem as one line (no CR or LF inside it) and the script phase sends
// at most 49 lines.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    enterFuzzFolder();
    QDir().mkpath(QStringLiteral("configuraciones"));
    FUZZ_CHECK(writeBytes(QStringLiteral("configuraciones/912345678.cfg"), fuzzBytes(data, size)));

    VirtualTimerSource clock;
    FakeSerialLink link(&clock);
    TransferLog log;
    LogFile logged;
    TransferDialogue dialogue(link, clock, log, logged);
    if (dialogue.prepare({QStringLiteral("912345678"), 1, QStringLiteral("trumelox"),
                          QStringLiteral("nueva1")}))
        return 0;
    dialogue.begin();
    // 49 lines take under 5 minutes; after that only the receive poll runs.
    for (int second = 0; dialogue.isRunning(); ++second) {
        FUZZ_CHECK(second < 600);
        clock.advance(1000);
    }

    const int loginLines = 9;
    FUZZ_CHECK(link.writes.size() >= loginLines);
    FUZZ_CHECK(link.writes.size() - loginLines <= TransferDialogue::tableSize);
    for (const auto &[time, bytes] : link.writes) {
        FUZZ_CHECK(bytes.endsWith('\r'));
        const QByteArray line = bytes.chopped(1);
        FUZZ_CHECK(!line.contains('\r') && !line.contains('\n'));
    }
    return 0;
}
