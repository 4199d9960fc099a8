#include "settings/servicesettings.h"

#include "fuzzfolder.h"

// conf_gen.dat: any file reads without harm, and a store either reads back
// the same value or is refused with the old file kept.
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
    return 0;
}
