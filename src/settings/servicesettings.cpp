#include "settings/servicesettings.h"

// Placeholder until the settings file is read and written.
ServiceSettings defaultSettings() { return {}; }
QByteArray settingsFileBytes(const ServiceSettings &) { return {}; }
ServiceSettings parseSettings(const QByteArray &) { return defaultSettings(); }
ServiceSettings loadSettings(const QString &) { return defaultSettings(); }
bool storeSettings(const ServiceSettings &, QString *, const QString &) { return false; }
