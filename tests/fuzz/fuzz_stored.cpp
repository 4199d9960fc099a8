#include "password/passwordstore.h"
#include "settings/servicesettings.h"

#include "fuzzfolder.h"

// conf_gen.dat and claves.dat: any file reads without harm; a store reads
// back the same value or is refused with the old file kept; a journaled
// password store that is taken back leaves the old file exactly.
static void storeAndReload(const ServiceSettings &settings)
{
    const QByteArray before = readBytes(settingsFileName);
    if (storeSettings(settings))
        FUZZ_CHECK(loadSettings() == settings);
    else
        FUZZ_CHECK(readBytes(settingsFileName) == before);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    enterFuzzFolder();
    const QByteArray bytes = fuzzBytes(data, size);

    FUZZ_CHECK(writeBytes(settingsFileName, bytes));
    storeAndReload(loadSettings());

    // The same bytes as the 16 texts of the fields, cut at NUL.
    const QList<QByteArray> parts = bytes.split('\0');
    ServiceSettings typed = defaultSettings();
    QList<QString *> fields;
    for (Octets *quad : {&typed.ipAddEDC, &typed.maskAddEDC, &typed.ipAddDNS})
        for (QString &octet : *quad)
            fields << &octet;
    fields << &typed.vciValue << &typed.vpiValue << &typed.minSize << &typed.maxSize;
    for (int i = 0; i < fields.size() && i < parts.size(); ++i)
        *fields[i] = typedText(parts[i]);
    typed.comPort = qint16(size > 1 ? (data[0] << 8 | data[1]) : 1);
    storeAndReload(typed);

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
        FUZZ_CHECK(restorePreviousPassword());
    }
    FUZZ_CHECK(readBytes(passwordFileName) == before);
    FUZZ_CHECK(!QFile::exists(passwordJournalPath()));
    return 0;
}
