#include "loader/portname.h"

#include <QFileInfo>

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
