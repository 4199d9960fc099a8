#include "device/portname.h"

#include <QFileInfo>
#include <QSerialPortInfo>

#include <algorithm>

QString serialPortName(int portNumber)
{
    if (portNumber < 1)
        return QString();
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(portNumber);
#else
    const QFileInfo link(QStringLiteral("com%1").arg(portNumber));
    if (link.isSymLink()) {
        // A dangling link (a simulator that has gone) still names its
        // target, so the open fails on that path instead of quietly
        // opening a real port of the same number.
        const QString resolved = link.canonicalFilePath();
        return resolved.isEmpty() ? link.symLinkTarget() : resolved;
    }
    if (link.exists())
        return link.absoluteFilePath();
    return QStringLiteral("/dev/ttyS%1").arg(portNumber - 1);
#endif
}

QString portLabel(int portNumber)
{
    return QStringLiteral("com%1").arg(portNumber);
}

QString portDeviceText(int portNumber)
{
    const QString device = serialPortName(portNumber);
    const QList<QSerialPortInfo> ports = QSerialPortInfo::availablePorts();
    auto listed = [&](auto name) {
        return std::any_of(ports.begin(), ports.end(),
                           [&](const QSerialPortInfo &port) { return name(port) == device; });
    };
#ifdef Q_OS_WIN
    const QString shown = device;
    const bool exists = listed([](const QSerialPortInfo &port) { return port.portName(); });
#else
    const QString shown = portLabel(portNumber) + QStringLiteral(" \u2192 ") + device;
    // The kernel makes /dev/ttyS0 upward whether or not a port stands behind
    // them; those count only when the serial driver lists them. Links to
    // adapters or pseudo-terminals count when their device is there.
    const bool exists = device.startsWith(QStringLiteral("/dev/ttyS"))
                            ? listed([](const QSerialPortInfo &port) { return port.systemLocation(); })
                            : QFileInfo::exists(device);
#endif
    return exists ? shown : shown + QStringLiteral(" (no existe)");
}
