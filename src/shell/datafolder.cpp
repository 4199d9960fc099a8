#include "shell/datafolder.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

namespace datafolder {

QString choose(const QString &dirOption, const QString &workingDir, const QString &homeDir,
               const QString &documentsDir, bool workingDirWritable)
{
    const QDir working(workingDir);
    if (!dirOption.isNull())
        return QDir::cleanPath(working.absoluteFilePath(dirOption));

    const bool installed = working.exists(QStringLiteral("conf_gen.dat"))
                           || working.exists(QStringLiteral("claves.dat"));
    // QDir equality compares canonical paths, and ignores case where the
    // file system does.
    const bool atHome = working == QDir(homeDir);
    if (!installed && (atHome || !workingDirWritable)) {
        const QString documents = documentsDir.isEmpty() ? homeDir : documentsDir;
        return QDir::cleanPath(QDir(documents).absoluteFilePath(QLatin1String(perUserName)));
    }
    return QDir::cleanPath(working.absolutePath());
}

bool isWritable(const QString &folder)
{
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".adslconf-XXXXXX")));
    return probe.open();
}

bool enter(const QString &folder, QString *error)
{
    const QString shown = QDir::toNativeSeparators(folder);
    if (!QDir().mkpath(folder) || !QFileInfo(folder).isDir()) {
        *error = QStringLiteral("No se ha podido crear la carpeta de datos %1.").arg(shown);
        return false;
    }
    if (!isWritable(folder) || !QDir::setCurrent(folder)) {
        *error = QStringLiteral("No se puede escribir en la carpeta de datos %1.").arg(shown);
        return false;
    }
    return true;
}

} // namespace datafolder
