#pragma once

#include "shell/octets.h"

#include <QString>
#include <QStringList>

struct ServiceSettings;

// DHCP: one host served by the modem's DHCP, no address translation.
// NAPT: several hosts behind the modem's address translation, no DHCP.
enum class ConfigType { DHCP, NAPT };

// One subscriber's data, every value the text as typed.
struct SubscriberConfig
{
    QString userPhoneNumValue;
    QString servicetypevalue = QStringLiteral("Estandar"); // carried, never written; unaccented as on screen
    Octets userIpAdd;
    Octets userMaskAdd;
    Octets modEtherIpAdd;     // management address (DHCP) or Ethernet address (NAPT)
    Octets modEtherMaskAdd;
};

// One octet of a derived address: (byteIp AND byteMask), plus 1 on the last
// octet for the primary address (primSec 1) and plus 2 for the secondary
// (primSec 2). No carry into the third octet. Texts that are not numbers
// count as 0.
QString obtainPrimSecIpAdd(qint16 primSec, qint16 bytePos, const QString &byteMask,
                           const QString &byteIp);

// The built script, or the reason it cannot be built (a derived address
// whose last octet would pass 255, a telephone number that is not all
// digits); error is a sentence for the user, empty on success, and lines
// are empty when it is set.
struct ConfigScript
{
    QStringList lines;
    QString error;
    bool ok() const { return error.isEmpty(); }
};

// The 32 lines of DHCP or the 29 lines of NAPT. Pure.
ConfigScript buildConfigScript(const SubscriberConfig &subscriber, ConfigType type,
                               const ServiceSettings &settings);

// "configuraciones/<telephone number>.cfg"
QString configScriptPath(const QString &phoneNumber);

bool isPhoneNumber(const QString &text); // one or more decimal digits, nothing else

// Replaces the subscriber's script file whole, creating "configuraciones"
// when missing. On failure nothing is written and *error holds a sentence
// for the user.
bool writeConfigScript(const SubscriberConfig &subscriber, ConfigType type,
                       const ServiceSettings &settings, QString *error = nullptr);
