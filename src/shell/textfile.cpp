#include "shell/textfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#if defined(Q_OS_UNIX)
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#elif defined(Q_OS_WIN)
#include <string>
#define NOMINMAX
#include <windows.h>
#endif

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
    // A folder where the file should be holds no file: it is missing.
    if (!info.exists() || info.isDir())
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

static QString temporaryName(const QString &path)
{
    static const char letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    QString name = path + QLatin1String(temporaryMarker);
    for (int i = 0; i < 6; ++i)
        name += QLatin1Char(letters[QRandomGenerator::global()->bounded(int(sizeof letters) - 1)]);
    return name;
}

// A name taken by another temporary is tried again with other random letters.
constexpr int nameAttempts = 16;

// Far more links than anyone chains by hand; more is a loop.
constexpr int maxLinks = 32;

// The file a chain of links ends at: where a write through a link belongs.
// A dangling link ends at the missing file it names. Empty for a loop.
static QString linkTarget(const QString &path)
{
    QString at = path;
    for (int hop = 0; hop <= maxLinks; ++hop) {
        const QFileInfo info(at);
        if (!info.isSymLink())
            return at;
        at = info.symLinkTarget();
    }
    return QString();
}

#if defined(Q_OS_UNIX)

// Best effort: the change is made whatever this says, and some network file
// systems cannot flush a folder at all.
static void flushFolderOf(const QString &path)
{
    const int dir = ::open(QFile::encodeName(QFileInfo(path).path()).constData(),
                           O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0)
        return;
    ::fsync(dir);
    ::close(dir);
}

static bool writeAll(int fd, const QByteArray &bytes)
{
    const char *at = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, at, size_t(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        at += n;
        left -= n;
    }
    return true;
}

static bool ownerOnlyPermissions(int fd)
{
    return ::fchmod(fd, S_IRUSR | S_IWUSR) == 0;
}

static bool tryWrite(const QString &path, const QByteArray &bytes, bool ownerOnly)
{
    int fd = -1;
    QByteArray temporary;
    for (int attempt = 0; fd < 0 && attempt < nameAttempts; ++attempt) {
        temporary = QFile::encodeName(temporaryName(path));
        // Owner-only from its creation: nobody else can open it before the
        // secret is in. A file system without permissions ignores the mode.
        fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                    ownerOnly ? S_IRUSR | S_IWUSR : 0666);
        if (fd < 0 && errno != EEXIST)
            return false;
    }
    if (fd < 0)
        return false;
    // A replaced file keeps its permissions (a shared copy may be open to
    // its group); an owner-only one gains none.
    struct stat old;
    if (!ownerOnly && ::stat(QFile::encodeName(path).constData(), &old) == 0 && S_ISREG(old.st_mode))
        ::fchmod(fd, old.st_mode & 0777);
    const bool written = writeAll(fd, bytes) && ::fsync(fd) == 0;
    if (::close(fd) != 0 || !written
        || ::rename(temporary.constData(), QFile::encodeName(path).constData()) != 0) {
        ::unlink(temporary.constData());
        return false;
    }
    flushFolderOf(path);
    return true;
}

#elif defined(Q_OS_WIN)

static bool ownerOnlyPermissions(int)
{
    return true; // the folder's access rules decide
}

static bool tryWrite(const QString &path, const QByteArray &bytes, bool)
{
    HANDLE file = INVALID_HANDLE_VALUE;
    std::wstring temporary;
    for (int attempt = 0; file == INVALID_HANDLE_VALUE && attempt < nameAttempts; ++attempt) {
        temporary = QDir::toNativeSeparators(temporaryName(path)).toStdWString();
        // CREATE_NEW fails on any existing name, a link included.
        file = ::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE && ::GetLastError() != ERROR_FILE_EXISTS)
            return false;
    }
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD done = 0;
    const bool written = ::WriteFile(file, bytes.constData(), DWORD(bytes.size()), &done, nullptr)
                         && done == DWORD(bytes.size()) && ::FlushFileBuffers(file);
    const bool closed = ::CloseHandle(file);
    // Write-through: the rename is on the disk when the call returns.
    const std::wstring target = QDir::toNativeSeparators(path).toStdWString();
    if (!written || !closed
        || !::MoveFileExW(temporary.c_str(), target.c_str(),
                          MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        ::DeleteFileW(temporary.c_str());
        return false;
    }
    return true;
}

#endif

bool (*restrictToOwner)(int fd) = ownerOnlyPermissions;

bool writeAtomically(const QString &path, const QByteArray &bytes, QString *error, bool createDir,
                     bool ownerOnly)
{
    // An installer who links a stored file to a shared copy keeps the link:
    // the copy is replaced, beside itself so that the rename stays atomic.
    const QString target = linkTarget(path);
    if (!target.isEmpty() && tryWrite(target, bytes, ownerOnly))
        return true;
    // Only the file's own folder is made: never the folder of a link's target.
    if (createDir && target == path) {
        const QString dir = QFileInfo(path).path();
        if (QDir().mkpath(dir) && tryWrite(path, bytes, ownerOnly))
            return true;
    }
    if (error && target == path)
        *error = QStringLiteral("No se ha podido escribir el fichero %1.").arg(path);
    else if (error && target.isEmpty())
        *error = QStringLiteral("No se ha podido escribir el fichero %1: es un enlace que, de enlace en enlace, "
                                "vuelve a sí mismo. "
                                "Bórrelo o haga que lleve a un fichero.").arg(path);
    else if (error)
        *error = QStringLiteral("No se ha podido escribir el fichero %1, al que lleva el enlace %2.")
                     .arg(QDir::toNativeSeparators(target), path);
    return false;
}

bool placeLink(const QString &path, const QString &target)
{
#if defined(Q_OS_UNIX)
    const QByteArray to = QFile::encodeName(target);
    QByteArray temporary;
    for (int attempt = 0; attempt < nameAttempts; ++attempt) {
        temporary = QFile::encodeName(temporaryName(path));
        if (::symlink(to.constData(), temporary.constData()) == 0)
            break;
        if (errno != EEXIST)
            return false;
        temporary.clear();
    }
    if (temporary.isEmpty())
        return false;
    if (::rename(temporary.constData(), QFile::encodeName(path).constData()) != 0) {
        ::unlink(temporary.constData());
        return false;
    }
    flushFolderOf(path);
    return true;
#else
    Q_UNUSED(path);
    Q_UNUSED(target);
    return false;
#endif
}

bool removeDurably(const QString &path)
{
    // As a write through a link went to its target, so does the removal.
    const QString target = linkTarget(path);
    if (target.isEmpty())
        return false;
    if (target != path)
        return removeDurably(target);
#if defined(Q_OS_WIN)
    // A removal cannot be written through, a rename can: what a power cut
    // brings back then carries the marker, and goes at the next start.
    const QString aside = temporaryName(path);
    const std::wstring from = QDir::toNativeSeparators(path).toStdWString();
    const std::wstring to = QDir::toNativeSeparators(aside).toStdWString();
    QFile::remove(::MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH) ? aside : path);
#else
    QFile::remove(path);
#endif
    const QFileInfo left(path);
    if (left.exists() || left.isSymLink())
        return false;
#if defined(Q_OS_UNIX)
    flushFolderOf(path);
#endif
    return true;
}

void removeStaleTemporaries(const QString &dir)
{
    const QDir folder(dir);
    const QStringList stale = folder.entryList(
        {QStringLiteral("*%1??????").arg(QLatin1String(temporaryMarker))},
        QDir::Files | QDir::System | QDir::Hidden | QDir::CaseSensitive);
    for (const QString &name : stale)
        QFile::remove(folder.filePath(name));
    // A save through a link leaves its temporary beside the link's target:
    // only that file's temporaries go there, the folder may be another's.
    for (const QFileInfo &link : folder.entryInfoList(QDir::Files | QDir::System | QDir::Hidden)) {
        const QFileInfo target(linkTarget(link.filePath()));
        if (!link.isSymLink() || target.fileName().isEmpty())
            continue;
        const QDir targetFolder = target.dir();
        for (const QString &name : targetFolder.entryList(
                 {target.fileName() + QStringLiteral("%1??????").arg(QLatin1String(temporaryMarker))},
                 QDir::Files | QDir::System | QDir::Hidden | QDir::CaseSensitive))
            QFile::remove(targetFolder.filePath(name));
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
