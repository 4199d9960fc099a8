#pragma once

#include "device/serialadapters.h"

#include <QString>

// The device behind port number N of the settings. On Windows it is "COMN".
// Elsewhere a file or symlink named "comN" in the working folder, when there
// is one, gives the device (so a USB adapter or the modem simulator can take
// a port number); otherwise N maps onto the serial ports /dev/ttyS0 upward.
// Empty for a number below 1, which names no port.
QString serialPortName(int portNumber);

// "com3": how the screens and messages name port N.
QString portLabel(int portNumber);

// What port N opens on this machine, for the installer: "com3 → /dev/ttyUSB0"
// (on Windows "COM3"), followed by " (no existe)" when no such port is there.
// A number linked to one of the adapters names it as adapterPortText does.
QString portDeviceText(int portNumber, const QList<SerialAdapter> &adapters);
