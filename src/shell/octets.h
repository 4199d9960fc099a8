#pragma once

#include <QString>
#include <QtGlobal>

#include <array>
#include <limits>
#include <optional>

// The four octet texts of an address or mask, index 0 the leftmost and most
// significant. They stay texts: a leading zero typed by the user is kept.
using Octets = std::array<QString, 4>;

Octets makeOctets(const char *const octets[4]);

// The text form: the four texts as held, joined by ".".
QString joinOctets(const Octets &octets);

bool anyOctetEmpty(const Octets &octets);

// Numbers typed by the user become 16-bit signed integers only where a rule
// compares them. A text that is not a decimal number in that range (a
// hand-edited file, a pasted text) gives nothing instead of a crash.
std::optional<qint16> toInt16(const QString &text);
// The largest such number; also the toolkit's largest field length.
inline constexpr int largestFieldNumber = std::numeric_limits<qint16>::max();

// True for 1 to 3 decimal digits with a value of 0 to 255.
bool isOctet(const QString &text);
