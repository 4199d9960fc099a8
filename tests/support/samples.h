#pragma once

#include "builder/configscript.h"
#include "settings/servicesettings.h"

#include <QByteArray>
#include <QMap>

// Records and files more than one suite starts from.

inline const QList<QByteArray> sampleLines = {" 2", "10", "0", "1", "0", "255", "255", "255", "0",
                                              "80", "58", "0", "33", "8", "32", "9", "9"};
inline const ServiceSettings sample{2, {"10", "0", "1", "0"}, {"255", "255", "255", "0"},
                                    {"80", "58", "0", "33"}, "8", "32", "9", "9"};

// The sample conf_gen.dat with some lines replaced, CR LF after each.
inline QByteArray settingsFile(const QMap<int, QByteArray> &changes = {})
{
    QList<QByteArray> lines = sampleLines;
    for (auto it = changes.begin(); it != changes.end(); ++it)
        lines[it.key()] = it.value();
    return lines.join("\r\n") + "\r\n";
}

inline Octets quad(const QString &dotted)
{
    const QStringList parts = dotted.split(u'.');
    return {parts.value(0), parts.value(1), parts.value(2), parts.value(3)};
}

// Typed with leading zeros, which derived addresses drop and typed ones keep;
// the modem's address is not its network's first, which the route is.
inline SubscriberConfig subscriber()
{
    return {.userPhoneNumValue = "0981234567",
            .userIpAdd = quad("192.168.001.034"),
            .userMaskAdd = quad("255.255.255.248"),
            .modEtherIpAdd = quad("172.26.0.14"),
            .modEtherMaskAdd = quad("255.255.255.240")};
}

inline const QByteArray abcPasswordFile("\"NqLoRu\"\r\n\x01\r\n");
