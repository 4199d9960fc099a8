#pragma once

#include "shell/octets.h"

#include <QByteArray>
#include <QString>

#include <optional>

// The one record of service parameters for the whole run. Apart from comPort
// every field holds text as typed or as read: readers convert where they
// need a number (toInt16), so a hand-edited file never crashes them.
struct ServiceSettings
{
    qint16 comPort = 1;
    Octets ipAddEDC;
    Octets maskAddEDC;
    Octets ipAddDNS;
    QString vciValue; // always before vpiValue: in the file, on screen and in scripts
    QString vpiValue;
    QString minSize;
    QString maxSize;

    bool operator==(const ServiceSettings &) const = default;
};

// The port number named by a text of the settings' port selector: "com"
// (in any case) and a number from 1 up, nothing else.
std::optional<int> portNumberOf(const QString &text);

inline const QString settingsFileName = QStringLiteral("conf_gen.dat");

ServiceSettings defaultSettings();

// The 17 lines of conf_gen.dat, CR LF after each, first line " <comPort>".
QByteArray settingsFileBytes(const ServiceSettings &settings);

// Parses the file's bytes. Fewer than 17 values, or a first value that is
// not a port number, make the whole file count as damaged: all defaults,
// never a mixture.
ServiceSettings parseSettings(const QByteArray &bytes);

// Reads conf_gen.dat from the working directory, or gives the defaults.
// Never fails, shows nothing and never creates the file.
ServiceSettings loadSettings(const QString &path = settingsFileName);

// Replaces conf_gen.dat whole. On failure the old file is left as it was
// and *error holds a sentence for the user.
bool storeSettings(const ServiceSettings &settings, QString *error = nullptr,
                   const QString &path = settingsFileName);
