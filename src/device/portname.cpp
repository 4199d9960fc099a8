#include "device/portname.h"

#include <QFileInfo>

QString serialPortName(int portNumber)
{
    if (portNumber < 1)
        return QString();
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(portNumber);
#else
    const QFileInfo link(portLabel(portNumber));
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

QString portDeviceText(int portNumber, const QList<SerialAdapter> &adapters)
{
    const QString device = serialPortName(portNumber);
#ifdef Q_OS_WIN
    if (const SerialAdapter *adapter = adapterAt(adapters, device))
        return adapter->description.isEmpty() ? device : adapterPortText(portNumber, *adapter);
    return device + QStringLiteral(" (no existe)");
#else
    const QFileInfo link(portLabel(portNumber));
    if (link.isSymLink()) {
        // The adapter the link names, by its by-id name or its device.
        const SerialAdapter *adapter = adapterAt(adapters, link.symLinkTarget());
        if (!adapter)
            adapter = adapterAt(adapters, device);
        if (adapter)
            return adapterPortText(portNumber, *adapter);
    }
    const QString shown = portLabel(portNumber) + QStringLiteral(" \u2192 ") + device;
    // The kernel makes /dev/ttyS0 upward whether or not a port stands behind
    // them; those count only when the serial driver lists them. Links to
    // adapters or pseudo-terminals count when their device is there.
    const bool exists = device.startsWith(QStringLiteral("/dev/ttyS")) ? adapterAt(adapters, device) != nullptr
                                                                        : QFileInfo::exists(device);
    return exists ? shown : shown + QStringLiteral(" (no existe)");
#endif
}
