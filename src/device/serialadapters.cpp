#include "device/serialadapters.h"

#include "device/portname.h"

#include <QDir>
#include <QFileInfo>
#include <QSerialPortInfo>

#include <algorithm>

QList<SerialAdapter> systemAdapters(const QString &byIdDir)
{
    QList<SerialAdapter> adapters;
    for (const QSerialPortInfo &port : QSerialPortInfo::availablePorts()) {
#ifdef Q_OS_WIN
        const QString device = port.portName();
#else
        const QString device = port.systemLocation();
#endif
        adapters.append({device, QString(), port.description(), port.manufacturer(), port.serialNumber()});
    }
#ifdef Q_OS_LINUX
    const QDir byId(byIdDir);
    for (const QFileInfo &entry : byId.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot, QDir::Name)) {
        const QString device = entry.canonicalFilePath();
        if (device.isEmpty())
            continue; // its adapter went while we looked
        auto same = std::find_if(adapters.begin(), adapters.end(),
                                 [&](const SerialAdapter &adapter) { return adapter.device == device; });
        if (same == adapters.end())
            adapters.append({device, entry.absoluteFilePath(), {}, {}, {}});
        else if (same->byId.isEmpty())
            same->byId = entry.absoluteFilePath();
    }
#else
    Q_UNUSED(byIdDir);
#endif
    std::sort(adapters.begin(), adapters.end(),
              [](const SerialAdapter &a, const SerialAdapter &b) { return a.device < b.device; });
    return adapters;
}

QString adapterName(const SerialAdapter &adapter)
{
    const QString &maker = adapter.manufacturer;
    const QString &what = adapter.description;
    if (!maker.isEmpty() && !what.isEmpty())
        return what.startsWith(maker, Qt::CaseInsensitive) ? what : maker + u' ' + what;
    if (!maker.isEmpty() || !what.isEmpty())
        return maker + what;
    return adapter.byId.isEmpty() ? QStringLiteral("Puerto serie") : QFileInfo(adapter.byId).fileName();
}

QString adapterEntryText(const SerialAdapter &adapter)
{
    QString text = adapterName(adapter);
    if (!adapter.serialNumber.isEmpty())
        text += QStringLiteral(" nº ") + adapter.serialNumber;
    return text + QStringLiteral(" (%1)").arg(QFileInfo(adapter.device).fileName());
}

QString adapterPortText(int portNumber, const SerialAdapter &adapter)
{
#ifdef Q_OS_WIN
    const QString where = QStringLiteral("COM%1").arg(portNumber);
    return where + QStringLiteral(" (%1)").arg(adapterName(adapter));
#else
    const QString shown = adapter.byId.isEmpty() ? adapter.device : QFileInfo(adapter.byId).fileName();
    const QString name = adapterName(adapter);
    // An adapter known by its by-id name alone is not named twice.
    return portLabel(portNumber) + QStringLiteral(" \u2192 ") + name
        + (name == shown ? QString() : QStringLiteral(" (%1)").arg(shown));
#endif
}

const SerialAdapter *adapterAt(const QList<SerialAdapter> &adapters, const QString &path)
{
    if (path.isEmpty())
        return nullptr;
    auto found = std::find_if(adapters.begin(), adapters.end(), [&](const SerialAdapter &adapter) {
        return adapter.device.compare(path, Qt::CaseInsensitive) == 0 || adapter.byId == path;
    });
    return found == adapters.end() ? nullptr : &*found;
}
