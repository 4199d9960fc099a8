#include "loader/logfile.h"

#include "shell/textfile.h"

#include <QDir>
#include <QFileInfo>

#include <utility>

#if defined(Q_OS_UNIX)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#elif defined(Q_OS_WIN)
#include <io.h>
#endif

QString logFileName(const QString &phone)
{
    return QStringLiteral("logs/%1.log").arg(phone);
}

// Opens the log empty. Only a regular file is written: a FIFO there would
// block the open for ever, and a link would have another file emptied.
static bool openEmpty(QFile &file, const QString &name)
{
#if defined(Q_OS_UNIX)
    const int fd = ::open(QFile::encodeName(name).constData(),
                          O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, S_IRUSR | S_IWUSR);
    if (fd < 0)
        return false;
    struct stat status;
    const bool regular = ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode);
    if (regular) {
        // The modem's echo of the new password can be in it. An older log
        // keeps its mode unless made owner-only; a file system that holds no
        // permissions refuses, and the log is written all the same.
        textfile::restrictToOwner(fd);
    }
    const int flags = regular ? ::fcntl(fd, F_GETFL) : -1;
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0 || ::ftruncate(fd, 0) != 0
        || !file.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return false;
    }
    return true;
#else
    const QFileInfo found(name);
    if (found.isSymLink() || (found.exists() && !found.isFile()))
        return false;
    file.setFileName(name);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate);
#endif
}

bool LogFile::open(const QString &phone, QString *error)
{
    m_file.close();
    m_failed = false;
    m_size = 0;
    // Kept apart: a file opened from a descriptor forgets its name.
    m_name = logFileName(phone);
    if (openEmpty(m_file, m_name))
        return true;
    if (QDir().mkpath(QStringLiteral("logs")) && openEmpty(m_file, m_name))
        return true;
    if (error)
        *error = QStringLiteral("No se ha podido escribir el fichero %1.").arg(m_name);
    return false;
}

void LogFile::sync(TransferLog &log)
{
    if (!m_file.isOpen())
        return;
    const QByteArray &bytes = log.bytes();
    const qsizetype from = qMin(log.unsyncedFrom(), m_size);
    bool ok = true;
    if (from < m_size)
        ok = m_file.resize(from) && m_file.seek(from);
    const qsizetype count = bytes.size() - from;
    if (ok && count > 0)
        ok = m_file.write(bytes.constData() + from, count) == count && m_file.flush();
    m_failed |= !ok;
    m_dirty |= count > 0 || from < m_size;
    m_size = bytes.size();
    log.markSynced();
}

void LogFile::makeDurable()
{
    if (!m_file.isOpen() || !std::exchange(m_dirty, false))
        return;
#if defined(Q_OS_UNIX)
    ::fsync(m_file.handle());
#elif defined(Q_OS_WIN)
    ::_commit(m_file.handle());
#endif
}

bool LogFile::finish(TransferLog &log, bool stoppedByUser, QString *error)
{
    if (!m_file.isOpen())
        return true;
    sync(log);
    QByteArray closing = "\r\n";
    if (stoppedByUser)
        closing += userStopLine.toLatin1() + "\r\n";
    m_failed |= m_file.write(closing) != closing.size() || !m_file.flush();
    m_dirty = true;
    makeDurable();
    m_file.close();
    m_failed |= m_file.error() != QFileDevice::NoError;
    if (m_failed && error)
        *error = QStringLiteral("No se ha podido escribir el fichero %1.").arg(m_name);
    return !m_failed;
}
