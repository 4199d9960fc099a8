#pragma once

#include <QString>

// Values that belong to the service provider's deployment rather than to the
// program. Change them here, and only here, when the service moves.
namespace deployment {

// Caption of message boxes that have no title of their own.
inline const QString applicationTitle = QStringLiteral("Configuración Módem NOKIA M1112");

// Default EDC management host. Its last octet is odd so that it fits the
// default mask 255.255.255.255 and the defaults can be saved unchanged.
inline const char *const defaultEdcAddress[4] = {"192", "0", "2", "1"};

// Default DNS server given to subscribers.
inline const char *const defaultDnsAddress[4] = {"198", "51", "100", "53"};

// The service's DNS domain word, written on the DHCP domain line of scripts.
inline const QString dhcpDomainName = QStringLiteral("adsl");

} // namespace deployment
