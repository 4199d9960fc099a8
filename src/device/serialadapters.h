#pragma once

#include <QList>
#include <QString>

#include <functional>

// A serial port the system offers, as the installer knows it: mostly USB
// adapters, but also the machine's own ports where the driver lists them.
struct SerialAdapter
{
    QString device; // "/dev/ttyUSB0"; on Windows "COM3"
    QString byId;   // its stable "/dev/serial/by-id/..." name; empty when it has none
    QString description;
    QString manufacturer;
    QString serialNumber;

    bool operator==(const SerialAdapter &) const = default;
};

// Gives the adapters plugged in now. The program reads the system's; tests
// give their own, plugged in and pulled out at will.
using AdapterSource = std::function<QList<SerialAdapter>()>;

// Every port Qt SerialPort lists, and on Linux every entry of byIdDir, each
// entry merged with the port it leads to. In the order of their devices.
QList<SerialAdapter> systemAdapters(const QString &byIdDir = QStringLiteral("/dev/serial/by-id"));

// What an installer calls it: "FTDI FT232R USB UART".
QString adapterName(const SerialAdapter &adapter);

// Its entry in the port selector: "FTDI FT232R USB UART nº A50285BI (ttyUSB0)".
QString adapterEntryText(const SerialAdapter &adapter);

// What port N opens once bound to the adapter:
// "com3 → FTDI FT232R USB UART (usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0)".
QString adapterPortText(int portNumber, const SerialAdapter &adapter);

// The adapter a link's target (by-id name or device) or a device names.
const SerialAdapter *adapterAt(const QList<SerialAdapter> &adapters, const QString &path);
