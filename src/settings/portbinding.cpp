#include "settings/portbinding.h"

#include "device/portname.h"
#include "shell/octets.h"
#include "shell/textfile.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>


namespace portbinding {

namespace {

// The adapter's own port number, where the system gives it one: COMN on
// Windows, /dev/ttyS(N-1) elsewhere. 0 for the others.
int ownNumber(const SerialAdapter &adapter)
{
#ifdef Q_OS_WIN
    static const QRegularExpression com(QStringLiteral("^COM([1-9][0-9]{0,4})$"),
                                        QRegularExpression::CaseInsensitiveOption);
#else
    static const QRegularExpression com(QStringLiteral("^/dev/ttyS([0-9]{1,4})$"));
#endif
    const QRegularExpressionMatch match = com.match(adapter.device);
    if (!match.hasMatch())
        return 0;
#ifdef Q_OS_WIN
    return match.captured(1).toInt();
#else
    return match.captured(1).toInt() + 1;
#endif
}

QString target(const SerialAdapter &adapter) { return adapter.byId.isEmpty() ? adapter.device : adapter.byId; }

} // namespace

bool leadsTo(int portNumber, const SerialAdapter &adapter)
{
#ifdef Q_OS_WIN
    return ownNumber(adapter) == portNumber;
#else
    const QFileInfo link(portLabel(portNumber));
    if (link.isSymLink()) {
        const QString to = link.symLinkTarget();
        return to == adapter.device || (!adapter.byId.isEmpty() && to == adapter.byId)
            || link.canonicalFilePath() == adapter.device;
    }
    return !link.exists() && ownNumber(adapter) == portNumber;
#endif
}

QString occupant(int portNumber, const SerialAdapter &adapter, const QList<SerialAdapter> &adapters)
{
    if (leadsTo(portNumber, adapter))
        return QString();
#ifdef Q_OS_WIN
    Q_UNUSED(adapters);
    return serialPortName(portNumber);
#else
    const QFileInfo link(portLabel(portNumber));
    if (link.isSymLink())
        return link.symLinkTarget();
    if (link.exists())
        return link.absoluteFilePath();
    const QString device = serialPortName(portNumber);
    return adapterAt(adapters, device) ? device : QString();
#endif
}

int numberFor(const SerialAdapter &adapter, const QList<SerialAdapter> &adapters)
{
    if (const int own = ownNumber(adapter); own > 0 && leadsTo(own, adapter))
        return own;
#ifdef Q_OS_WIN
    Q_UNUSED(adapters);
    return own;
#else
    static const QRegularExpression comN(QStringLiteral("^com([1-9][0-9]{0,4})$"));
    QList<int> linked;
    for (const QString &entry : QDir().entryList({QStringLiteral("com*")}, QDir::AllEntries | QDir::System | QDir::Hidden)) {
        if (const QRegularExpressionMatch match = comN.match(entry); match.hasMatch())
            linked << match.captured(1).toInt();
    }
    std::sort(linked.begin(), linked.end());
    for (const int number : linked) {
        if (leadsTo(number, adapter))
            return number;
    }
    // Up to what conf_gen.dat's number holds.
    for (int number = 1; number <= largestFieldNumber; ++number) {
        if (occupant(number, adapter, adapters).isEmpty())
            return number;
    }
    return 0;
#endif
}

bool bind(int portNumber, const SerialAdapter &adapter, QString *error)
{
    const QString name = portLabel(portNumber);
    if (textfile::placeLink(name, target(adapter)))
        return true;
    if (error)
        *error = QStringLiteral("No se ha podido crear en la carpeta de datos el enlace %1 al adaptador %2. "
                                "Compruebe que se puede escribir en ella y que %1 no es una carpeta, "
                                "y pulse Salvar de nuevo.")
                     .arg(name, adapterName(adapter));
    return false;
}

} // namespace portbinding
