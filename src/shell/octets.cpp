#include "shell/octets.h"

#include <QStringList>

Octets makeOctets(const char *const octets[4])
{
    return {QString::fromLatin1(octets[0]), QString::fromLatin1(octets[1]),
            QString::fromLatin1(octets[2]), QString::fromLatin1(octets[3])};
}

QString joinOctets(const Octets &octets)
{
    return QStringList(octets.begin(), octets.end()).join(u'.');
}

bool anyOctetEmpty(const Octets &octets)
{
    for (const QString &octet : octets) {
        if (octet.isEmpty())
            return true;
    }
    return false;
}

std::optional<qint16> toInt16(const QString &text)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    for (qsizetype i = 0; i < t.size(); ++i) {
        const QChar c = t[i];
        const bool sign = i == 0 && (c == u'-' || c == u'+') && t.size() > 1;
        if (!sign && (c < u'0' || c > u'9'))
            return std::nullopt;
    }
    bool ok = false;
    const short value = t.toShort(&ok);
    if (!ok)
        return std::nullopt;
    return value;
}

bool isOctet(const QString &text)
{
    if (text.isEmpty() || text.size() > 3)
        return false;
    for (QChar c : text) {
        if (c < u'0' || c > u'9')
            return false;
    }
    return text.toInt() <= 255;
}
