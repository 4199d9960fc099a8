#include "password/passwordstore.h"

#include "fuzzfolder.h"

// claves.dat: any file reads without harm; a store reads back the same
// password or is refused with the old file kept; a journaled store that
// is taken back leaves the old file exactly.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    enterFuzzFolder();
    const QByteArray bytes = fuzzBytes(data, size);

    FUZZ_CHECK(writeBytes(passwordFileName, bytes));
    (void)loadPassword();

    const QString password = typedText(bytes.left(32));
    if (storePassword(password))
        FUZZ_CHECK(loadPassword() == password);
    else
        FUZZ_CHECK(readBytes(passwordFileName) == bytes);

    const QByteArray before = readBytes(passwordFileName);
    if (storePasswordJournaled(password)) {
        FUZZ_CHECK(loadPassword() == password);
        restorePreviousPassword();
    }
    FUZZ_CHECK(readBytes(passwordFileName) == before);
    FUZZ_CHECK(!QFile::exists(passwordJournalPath()));
    return 0;
}
