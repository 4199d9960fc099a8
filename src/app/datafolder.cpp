#include "app/datafolder.h"

#include "app/startup.h"
#include "builder/configscript.h"
#include "shell/textfile.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

#include <algorithm>

namespace datafolder {

bool isInstallation(const QString &folder)
{
    const QDir dir(folder);
    if (dir.exists(QStringLiteral("conf_gen.dat")) || dir.exists(QStringLiteral("claves.dat")))
        return true;
    // "logs" and "configuraciones" are common names in a home folder: only
    // the files the program writes in them count.
    const auto files = [&dir](const char *subfolder, const char *pattern) {
        return QDir(dir.filePath(QLatin1String(subfolder))).entryList({QLatin1String(pattern)}, QDir::Files);
    };
    const QStringList logs = files("logs", "*.log");
    return !files("configuraciones", "*.cfg").isEmpty()
        || std::any_of(logs.begin(), logs.end(),
                       [](const QString &log) { return isPhoneNumber(log.chopped(4)); });
}

Choice choose(const QString &dirOption, const QString &workingDir, const QString &homeDir,
              const QString &documentsDir, bool workingDirWritable)
{
    const QDir working(workingDir);
    if (!dirOption.isNull())
        return {QDir::cleanPath(working.absoluteFilePath(dirOption)), QString()};

    const bool installed = isInstallation(workingDir);
    // QDir equality compares canonical paths, and ignores case where the
    // file system does.
    const bool atHome = working == QDir(homeDir);
    const QString here = QDir::cleanPath(working.absolutePath());
    if ((!installed && atHome) || !workingDirWritable) {
        return {perUserFolder(documentsDir, homeDir), installed ? here : QString()};
    }
    return {here, QString()};
}

QString perUserFolder(const QString &documentsDir, const QString &homeDir)
{
    const QString documents = documentsDir.isEmpty() ? homeDir : documentsDir;
    return QDir::cleanPath(QDir(documents).absoluteFilePath(QLatin1String(perUserName)));
}

bool isWritable(const QString &folder)
{
    // Named as the program's temporaries, so that a probe a kill left behind
    // goes at the next start.
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral("adslconf%1XXXXXX")
                                                   .arg(QLatin1String(textfile::temporaryMarker))));
    return probe.open();
}

bool enter(const QString &folder, QString *error)
{
    const QString shown = QDir::toNativeSeparators(folder);
    if (!QDir().mkpath(folder) || !QFileInfo(folder).isDir()) {
        *error = QStringLiteral("No se ha podido crear la carpeta de datos %1.").arg(shown);
        return false;
    }
    if (!QDir::setCurrent(folder)) {
        *error = QStringLiteral("No se puede escribir en la carpeta de datos %1.").arg(shown);
        return false;
    }
    return true;
}

QStringList copyInstallation(const QString &from)
{
    const QDir source(from);
    QStringList names{QStringLiteral("conf_gen.dat"), QStringLiteral("claves.dat")};
    for (const QString &script : QDir(source.filePath(QStringLiteral("configuraciones")))
                                     .entryList({QStringLiteral("*.cfg")}, QDir::Files))
        names << QStringLiteral("configuraciones/") + script;

    QStringList failed;
    for (const QString &name : names) {
        QByteArray bytes;
        if (QFileInfo::exists(name) || !QFileInfo::exists(source.filePath(name)))
            continue;
        if (textfile::readFile(source.filePath(name), &bytes) != textfile::ReadResult::Ok
            || !textfile::writeAtomically(name, bytes, nullptr, /*createDir=*/true,
                                          /*ownerOnly=*/name == u"claves.dat"))
            failed << name;
    }
    return failed;
}

Message failure(const QString &sentence)
{
    return {QStringLiteral("Error en la carpeta de datos"),
            sentence + QStringLiteral("\r\nEl programa no puede guardar sus ficheros y se cerrará."),
            MessageIcon::Critical, MessageButtons::Ok};
}

Hold::Hold()
    : m_lock(QDir::current().absoluteFilePath(QStringLiteral("adslconf.lock")))
{
    // A run lasts hours: only an owner that is no longer running makes the
    // lock stale, never its age (which alone counts where the file system
    // has no native locks).
    constexpr int neverByAge = 0; // QLockFile's value for no age limit
    m_lock.setStaleLockTime(neverByAge);
}

// Far longer than a starting copy takes to write its name into the lock:
// an unreadable lock older than this was cut short, not being written.
constexpr qint64 lockWritingSecs = 10;

Hold::Result Hold::take(const QString &readOnlyInstallation)
{
    const QString here = QDir::toNativeSeparators(QDir::currentPath());
    bool locked = m_lock.tryLock();
    qint64 pid;
    QString host, application;
    // A lock without a readable owner was caught half written by a power
    // cut: a starting copy writes its name in the same breath.
    if (!locked && m_lock.error() == QLockFile::LockFailedError
        && !m_lock.getLockInfo(&pid, &host, &application)
        && QFileInfo(m_lock.fileName()).lastModified().secsTo(QDateTime::currentDateTime()) > lockWritingSecs)
        locked = m_lock.removeStaleLockFile() && m_lock.tryLock();
    if (!locked && m_lock.error() == QLockFile::LockFailedError) {
        return {Outcome::AlreadyRunning,
                {QString(),
                 QStringLiteral("El programa ya está abierto con la carpeta de datos %1.\r\n"
                                "Siga en la ventana que ya tiene abierta.")
                     .arg(here),
                 MessageIcon::Warning, MessageButtons::Ok}};
    }
    if (!locked) {
        return {Outcome::Unwritable,
                failure(QStringLiteral("No se puede escribir en la carpeta de datos %1.").arg(here))};
    }

    Message message;
    if (!readOnlyInstallation.isEmpty() && !isInstallation(QStringLiteral("."))) {
        const QStringList failed = copyInstallation(readOnlyInstallation);
        const QString from = QDir::toNativeSeparators(readOnlyInstallation);
        QString text = QStringLiteral("No se puede escribir en la carpeta %1.\r\n"
                                      "Desde ahora el programa guarda sus ficheros en %2, donde ha copiado "
                                      "los que había en %1 salvo los registros de las cargas (logs).")
                           .arg(from, here);
        if (!failed.isEmpty())
            text += QStringLiteral("\r\nNo se ha podido copiar: %1.").arg(failed.join(QStringLiteral(", ")));
        message = {QStringLiteral("Carpeta de datos"), text, MessageIcon::Information, MessageButtons::Ok};
    }
    recoverInterruptedSaves();
    return {Outcome::Started, message};
}

} // namespace datafolder
