#pragma once

#include "builder/configscript.h"
#include "settings/servicesettings.h"

#include <QStringList>

// The benches' subscriber: its 32-line DHCP script, also written as
// configuraciones/5551234.cfg in the working folder; empty when it cannot be.
inline QStringList writeSampleScript()
{
    const SubscriberConfig subscriber{"5551234", "Estandar", {"192", "168", "1", "34"},
                                      {"255", "255", "255", "248"}, {"10", "0", "0", "2"},
                                      {"255", "255", "255", "252"}};
    if (!writeConfigScript(subscriber, ConfigType::DHCP, defaultSettings()))
        return {};
    return buildConfigScript(subscriber, ConfigType::DHCP, defaultSettings()).lines;
}
