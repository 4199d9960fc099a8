#include "device/portaccess.h"

#include <QFile>

#include <cerrno>

#ifndef Q_OS_WIN
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

const char *const noSuchPort = "el puerto no existe.";
const char *const joinGroup = "el usuario %1 no tiene permiso para usarlo: añádalo al grupo %2 con la orden "
                              "«sudo usermod -aG %2 %1», cierre la sesión y vuelva a entrar.";
const char *const askForAccess =
    "el usuario %1 no tiene permiso para usarlo: pida al administrador del equipo acceso al dispositivo.";
const char *const signInAgain = "el usuario %1 ya está en el grupo %2, pero esta sesión se abrió antes de "
                                "entrar en él: cierre la sesión y vuelva a entrar.";
const char *const heldBy = "lo tiene abierto otro programa (%1): ciérrelo y vuelva a cargar.";
const char *const held = "lo tiene abierto otro programa: ciérrelo y vuelva a cargar.";
const char *const systemError = "error del sistema (%1).";

#ifndef Q_OS_WIN

PortAccess refused(const PortSystem::File &file, int error, const PortSystem &system)
{
    PortAccess access{PortAccess::NoPermission};
    const PortSystem::User user = system.user();
    access.user = user.name;
    // Joining the group helps only where the group may read and write, and
    // root's group is not one to put a user in.
    constexpr uint groupReadWrite = S_IRGRP | S_IWGRP;
    if (file.error != 0 || file.group == 0 || (file.mode & groupReadWrite) != groupReadWrite)
        return access;
    if (user.inSession.contains(file.group)) {
        // In the group and still refused: an ACL or a security module.
        access.problem = PortAccess::Other;
        access.systemError = qt_error_string(error);
        return access;
    }
    access.group = system.groupName(file.group);
    if (user.memberOf.contains(file.group))
        access.problem = PortAccess::GroupNotInSession;
    return access;
}

QList<uint> sessionGroups()
{
    QList<gid_t> groups(::getgroups(0, nullptr));
    groups.resize(qMax(0, ::getgroups(int(groups.size()), groups.data())));
    groups.append(::getegid());
    return {groups.begin(), groups.end()};
}

QList<uint> databaseGroups(const passwd *entry)
{
    QList<gid_t> groups(16);
    int count = int(groups.size());
    while (::getgrouplist(entry->pw_name, entry->pw_gid, groups.data(), &count) < 0) {
        if (count <= groups.size()) // no bigger count given: give up
            return {entry->pw_gid};
        groups.resize(count);
    }
    groups.resize(count);
    return {groups.begin(), groups.end()};
}

#endif

} // namespace

PortSystem PortSystem::real()
{
    PortSystem system;
#ifndef Q_OS_WIN
    system.open = [](const QString &device) {
        const int fd = ::open(QFile::encodeName(device).constData(), O_RDWR | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd < 0)
            return errno;
        ::close(fd);
        return 0;
    };
    system.stat = [](const QString &device) {
        struct stat st{};
        if (::stat(QFile::encodeName(device).constData(), &st) != 0)
            return File{errno};
        return File{0, uint(st.st_gid), uint(st.st_mode)};
    };
    system.user = [] {
        User user{QString::number(::getuid()), {}, sessionGroups()};
        if (const passwd *entry = ::getpwuid(::getuid())) {
            user.name = QString::fromLocal8Bit(entry->pw_name);
            user.memberOf = databaseGroups(entry);
        }
        return user;
    };
    system.groupName = [](uint group) {
        const struct group *entry = ::getgrgid(gid_t(group));
        return entry ? QString::fromLocal8Bit(entry->gr_name) : QString::number(group);
    };
    // Where Qt SerialPort and the UUCP tools (minicom, lockdev) put them.
    system.lockDirectories = {"/var/lock", "/etc/locks", "/var/spool/locks", "/var/spool/uucp", "/tmp",
                              "/var/tmp", "/var/lock/lockdev", "/run/lock"};
    system.readLock = [](const QString &path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.read(256) : QByteArray();
    };
    system.runningProgram = [](qint64 pid) -> std::optional<QString> {
        if (pid <= 0 || pid != qint64(pid_t(pid)) || (::kill(pid_t(pid), 0) != 0 && errno != EPERM))
            return std::nullopt;
        QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
        if (!comm.open(QIODevice::ReadOnly))
            return QString();
        return QString::fromLocal8Bit(comm.readAll().trimmed());
    };
#endif
    return system;
}

PortAccess checkPortAccess(const QString &device, const PortSystem &system)
{
#ifdef Q_OS_WIN
    // Windows says "access denied" only for a port another program holds;
    // QSerialPort's own error tells that.
    Q_UNUSED(device);
    Q_UNUSED(system);
    return {};
#else
    const PortSystem::File file = system.stat(device);
    if (file.error == ENOENT || file.error == ENOTDIR)
        return {PortAccess::Missing};
    // Before any open: opening a port that another program holds could
    // disturb its lines, and root would get through its exclusive mode.
    const QString lock = portLockName(device);
    for (const QString &folder : system.lockDirectories) {
        const QByteArray bytes = system.readLock(folder + u'/' + lock);
        bool isNumber = false;
        const qint64 pid = bytes.left(bytes.indexOf('\n')).trimmed().toLongLong(&isNumber);
        if (!isNumber)
            continue;
        if (const std::optional<QString> holder = system.runningProgram(pid))
            return {PortAccess::Busy, {}, {}, *holder};
    }
    switch (const int error = system.open(device)) {
    case 0:
        return {};
    case ENOENT:
    case ENODEV:
    case ENXIO:
        return {PortAccess::Missing};
    case EBUSY: // held in exclusive mode (TIOCEXCL), as Qt SerialPort holds it
        return {PortAccess::Busy};
    case EACCES:
    case EPERM:
        return refused(file, error, system);
    default:
        return {PortAccess::Other, {}, {}, {}, qt_error_string(error)};
    }
#endif
}

QString portLockName(const QString &device)
{
    QString name = device.startsWith(u"/dev/") ? device.mid(5) : device;
    return QStringLiteral("LCK..") + name.replace(u'/', u'_');
}

QString portAccessReason(const PortAccess &access)
{
    switch (access.problem) {
    case PortAccess::Ok:
        return QString();
    case PortAccess::Missing:
        return QString::fromUtf8(noSuchPort);
    case PortAccess::NoPermission:
        return access.group.isEmpty() ? QString::fromUtf8(askForAccess).arg(access.user)
                                      : QString::fromUtf8(joinGroup).arg(access.user, access.group);
    case PortAccess::GroupNotInSession:
        return QString::fromUtf8(signInAgain).arg(access.user, access.group);
    case PortAccess::Busy:
        return access.holder.isEmpty() ? QString::fromUtf8(held) : QString::fromUtf8(heldBy).arg(access.holder);
    case PortAccess::Other:
        break;
    }
    return QString::fromUtf8(systemError).arg(access.systemError);
}
