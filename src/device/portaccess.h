#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// Why a port cannot be opened, told apart where Qt SerialPort says only
// "permission": the installer needs different steps for each.
struct PortAccess
{
    enum Problem { Ok, Missing, NoPermission, GroupNotInSession, Busy, Other };
    Problem problem = Ok;
    QString group{};       // the device's group, when joining it would let the user in
    QString user{};        // the login name, for NoPermission and GroupNotInSession
    QString holder{};      // Busy: the program holding the port, when known
    QString systemError{}; // Other: the system's own words
};

// What the check asks of the system, so that every case can be tried
// without root or real devices.
struct PortSystem
{
    struct File
    {
        int error = 0; // errno of the stat, 0 when it worked
        uint group = 0;
        uint mode = 0;
    };
    struct User
    {
        QString name;
        QList<uint> memberOf;  // per the group database
        QList<uint> inSession; // what this process was started with
    };

    // errno of opening the device read-write (closed again at once), or 0.
    std::function<int(const QString &device)> open;
    std::function<File(const QString &device)> stat;
    std::function<User()> user;
    std::function<QString(uint group)> groupName;
    // Folders looked in for UUCP lock files "LCK..<name>".
    QStringList lockDirectories;
    // A lock file's bytes; null when there is none.
    std::function<QByteArray(const QString &path)> readLock;
    // nullopt when no such process runs; its name (maybe empty) when one does.
    std::function<std::optional<QString>(qint64 pid)> runningProgram;

    static PortSystem real();
};

// Looks at the device without keeping it: a port held by another program
// (per its lock) is not even opened.
PortAccess checkPortAccess(const QString &device, const PortSystem &system = PortSystem::real());

// The lock file a program takes for the device, named as Qt SerialPort and
// the UUCP tools name it: "LCK.." and the name under /dev with '/' as '_'.
QString portLockName(const QString &device);

// What follows "No se ha podido abrir el puerto comN (device): ", saying
// what to do. Empty for Ok.
QString portAccessReason(const PortAccess &access);
