#include "settings/servicesettings.h"

#include "shell/deployment.h"
#include "shell/textfile.h"

#include <algorithm>

namespace {

constexpr int valueCount = 17;

// Texts that would split into more values, open a quoted value, lose
// surrounding blanks or change encoding on the way back from the file.
bool fileSafe(const QString &text)
{
    return textfile::isSingleByte(text) && !text.contains(u'"')
        && textfile::readValues(textfile::joinLines({text})) == QStringList{text};
}

QStringList fieldTexts(const ServiceSettings &settings)
{
    QStringList texts;
    for (const Octets *quad : {&settings.ipAddEDC, &settings.maskAddEDC, &settings.ipAddDNS}) {
        for (const QString &octet : *quad)
            texts << octet;
    }
    texts << settings.vciValue << settings.vpiValue << settings.minSize << settings.maxSize;
    return texts;
}

} // namespace

ServiceSettings defaultSettings()
{
    ServiceSettings settings;
    settings.comPort = 1;
    settings.ipAddEDC = makeOctets(deployment::defaultEdcAddress);
    settings.maskAddEDC = {QStringLiteral("255"), QStringLiteral("255"), QStringLiteral("255"),
                           QStringLiteral("255")};
    settings.ipAddDNS = makeOctets(deployment::defaultDnsAddress);
    settings.vciValue = QStringLiteral("8");
    settings.vpiValue = QStringLiteral("32");
    settings.minSize = QStringLiteral("9");
    settings.maxSize = QStringLiteral("9");
    return settings;
}

QByteArray settingsFileBytes(const ServiceSettings &settings)
{
    QStringList lines{u' ' + QString::number(settings.comPort)};
    lines << fieldTexts(settings);
    return textfile::joinLines(lines);
}

ServiceSettings parseSettings(const QByteArray &bytes)
{
    const QStringList values = textfile::readValues(bytes);
    if (values.size() < valueCount)
        return defaultSettings();
    // A port that is not a number could never be saved back as one.
    const std::optional<qint16> port = toInt16(values[0]);
    if (!port)
        return defaultSettings();

    ServiceSettings settings;
    settings.comPort = *port;
    int next = 1;
    for (Octets *quad : {&settings.ipAddEDC, &settings.maskAddEDC, &settings.ipAddDNS}) {
        for (QString &octet : *quad)
            octet = values[next++];
    }
    settings.vciValue = values[next++];
    settings.vpiValue = values[next++];
    settings.minSize = values[next++];
    settings.maxSize = values[next++];
    return settings;
}

ServiceSettings loadSettings(const QString &path)
{
    QByteArray bytes;
    if (!textfile::readAll(path, &bytes))
        return defaultSettings();
    return parseSettings(bytes);
}

bool storeSettings(const ServiceSettings &settings, QString *error, const QString &path)
{
    const QByteArray bytes = settingsFileBytes(settings);
    // What is stored must read back as it stands on the screen.
    if (parseSettings(bytes) != settings) {
        if (error) {
            const QStringList texts = fieldTexts(settings);
            const auto bad = std::find_if(texts.begin(), texts.end(),
                                          [](const QString &t) { return !fileSafe(t); });
            *error = QStringLiteral("El valor \"%1\" contiene caracteres que no se pueden "
                                    "guardar en el fichero %2.")
                         .arg(bad != texts.end() ? *bad : QString(), path);
        }
        return false;
    }
    return textfile::writeAtomically(path, bytes, error);
}

std::optional<int> portNumberOf(const QString &text)
{
    const QString prefix = QStringLiteral("com");
    if (!text.startsWith(prefix, Qt::CaseInsensitive) || text.size() == prefix.size())
        return std::nullopt;
    const QStringView digits = QStringView(text).mid(prefix.size());
    if (!std::all_of(digits.begin(), digits.end(), [](QChar c) { return c >= u'0' && c <= u'9'; }))
        return std::nullopt;
    bool ok = false;
    const int port = digits.toInt(&ok);
    // The settings keep the number as a 16-bit integer.
    if (!ok || port < 1 || port > largestFieldNumber)
        return std::nullopt;
    return port;
}
