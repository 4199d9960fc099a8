#include "shell/textfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

namespace textfile {

QByteArray joinLines(const QStringList &lines)
{
    QByteArray out;
    for (const QString &line : lines) {
        out += line.toLatin1();
        out += "\r\n";
    }
    return out;
}

bool isSingleByte(const QString &text)
{
    for (QChar c : text) {
        if (c.unicode() > 0xFF)
            return false;
    }
    return true;
}

ReadResult readFile(const QString &path, QByteArray *bytes)
{
    const QFileInfo info(path);
    if (!info.exists())
        return ReadResult::Missing;
    if (!info.isFile() || info.size() > maxFileSize)
        return ReadResult::Damaged;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return ReadResult::Missing;
    // A file that grew since it was looked at is still not read whole.
    *bytes = file.read(maxFileSize + 1);
    if (file.error() != QFileDevice::NoError)
        return ReadResult::Missing;
    return bytes->size() > maxFileSize ? ReadResult::Damaged : ReadResult::Ok;
}

bool readAll(const QString &path, QByteArray *bytes)
{
    return readFile(path, bytes) == ReadResult::Ok;
}

static bool tryWrite(const QString &path, const QByteArray &bytes, bool ownerOnly)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (ownerOnly) {
        const bool restricted =
            file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
#ifdef Q_OS_UNIX
        // Set before any byte is written; a secret others could read is not written at all.
        if (!restricted) {
            file.cancelWriting();
            return false;
        }
#else
        Q_UNUSED(restricted); // elsewhere the folder's access rules decide
#endif
    }
    // commit() misses a write refused at the final flush (disk full, file
    // size limit) and would put the cut file in place.
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

bool writeAtomically(const QString &path, const QByteArray &bytes, QString *error, bool createDir,
                     bool ownerOnly)
{
    if (tryWrite(path, bytes, ownerOnly))
        return true;
    if (createDir) {
        const QString dir = QFileInfo(path).path();
        if (QDir().mkpath(dir) && tryWrite(path, bytes, ownerOnly))
            return true;
    }
    if (error)
        *error = QStringLiteral("No se ha podido escribir el fichero %1.").arg(path);
    return false;
}

void removeStaleTemporaries(const QString &dir, const QString &pattern)
{
    const QDir folder(dir);
    static const QRegularExpression suffix(QStringLiteral("\\.[A-Za-z0-9]{6}$"));
    const QStringList candidates =
        folder.entryList({pattern + QStringLiteral(".??????")}, QDir::Files | QDir::CaseSensitive);
    for (const QString &name : candidates) {
        if (suffix.match(name).hasMatch())
            QFile::remove(folder.filePath(name));
    }
}

QStringList readValues(const QByteArray &bytes)
{
    const QString text = QString::fromLatin1(bytes);
    const qsizetype n = text.size();
    auto atDelimiter = [&](qsizetype at) {
        return text[at] == u',' || text[at] == u'\r' || text[at] == u'\n';
    };
    QStringList values;
    qsizetype i = 0;
    while (i < n) {
        while (i < n && text[i] == u' ')
            ++i;
        const qsizetype close = (i < n && text[i] == u'"') ? text.indexOf(u'"', i + 1) : -1;
        if (close >= 0) {
            values.append(text.mid(i + 1, close - i - 1));
            i = close + 1;
            // Whatever stands between the closing quote and the delimiter is dropped.
            while (i < n && !atDelimiter(i))
                ++i;
        } else {
            const qsizetype start = i;
            while (i < n && !atDelimiter(i))
                ++i;
            values.append(text.mid(start, i - start).trimmed());
        }
        if (i < n)
            i += (text[i] == u'\r' && i + 1 < n && text[i + 1] == u'\n') ? 2 : 1;
    }
    return values;
}

} // namespace textfile
