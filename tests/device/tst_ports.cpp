#include "device/portaccess.h"
#include "device/portname.h"
#include "device/serialadapters.h"

#include "workdir.h"

#include <QProcess>

#include <cerrno>
#include <cstdio>

#ifdef Q_OS_UNIX
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

// The serial ports: how a number becomes a device, the adapters the system
// has, and why a port does not open.

namespace {

const char *const childFlag = "--port-access-of";

// A port as the fake system shows it to the access check; user "ana"
// (group 1000), groups dialout (20) and uucp (10).
struct AccessCase
{
    QString device = QStringLiteral("/dev/ttyUSB0");
    int statError = 0;
    uint group = 20;
    uint mode = 020660;
    int openError = 0;
    QList<uint> memberOf{1000};
    QList<uint> inSession{1000};
    QString lock{}; // path of the one lock file there is
    QByteArray lockBytes{};
    PortAccess::Problem problem = PortAccess::Ok;
    QStringList facts{}; // in the reason; a lone sentence ending in "." is the whole of it
};

PortSystem fakeSystem(const AccessCase &c)
{
    PortSystem system;
    system.open = [c](const QString &) { return c.openError; };
    system.stat = [c](const QString &) { return PortSystem::File{c.statError, c.group, c.mode}; };
    system.user = [c] { return PortSystem::User{QStringLiteral("ana"), c.memberOf, c.inSession}; };
    system.groupName = [](uint group) {
        return group == 20 ? QStringLiteral("dialout") : group == 10 ? QStringLiteral("uucp") : QString();
    };
    system.lockDirectories = {QStringLiteral("/var/lock"), QStringLiteral("/run/lock")};
    system.readLock = [c](const QString &path) { return path == c.lock ? c.lockBytes : QByteArray(); };
    system.runningProgram = [](qint64 pid) -> std::optional<QString> {
        if (pid == 4321)
            return QStringLiteral("minicom");
        return std::nullopt;
    };
    return system;
}

} // namespace

Q_DECLARE_METATYPE(AccessCase)

class TestPorts : public QObject
{
    Q_OBJECT

private slots:
    // How a port number becomes a device, with and without a comN entry in
    // the working folder.
    void naming_data()
    {
        QTest::addColumn<int>("port");
        QTest::addColumn<QString>("entry");    // made as comN: "file", or a link to this target
        QTest::addColumn<QString>("expected"); // "@" stands for the working folder
        QTest::addColumn<QString>("shown");    // beside the selector; empty: depends on the machine

#ifdef Q_OS_WIN
        QTest::newRow("windows") << 3 << "" << "COM3" << "";
#else
        QTest::newRow("first port") << 1 << "" << "/dev/ttyS0" << "";
        QTest::newRow("beyond the ports there are") << 300 << "" << "/dev/ttyS299"
                                                    << "com300 → /dev/ttyS299 (no existe)";
        QTest::newRow("link to a device") << 2 << "/dev/null" << "/dev/null" << "com2 → /dev/null";
        QTest::newRow("dangling link keeps its target") << 3 << "/nonexistent/pts/9" << "/nonexistent/pts/9"
                                                        << "com3 → /nonexistent/pts/9 (no existe)";
        QTest::newRow("link to a link ends at the device")
            << 5 << "@/adapter" << "/dev/null" << "com5 → /dev/null";
        QTest::newRow("plain file in the folder") << 4 << "file" << "@/com4" << "com4 → @/com4";
#endif
        QTest::newRow("zero names no port") << 0 << "" << "" << "";
        QTest::newRow("negative names no port") << -1 << "" << "" << "";
    }

    void naming()
    {
        QFETCH(int, port);
        QFETCH(QString, entry);
        QFETCH(QString, expected);
        QFETCH(QString, shown);

        WorkDir work;
        const QString here = QFileInfo(work.path()).canonicalFilePath();
        const QString name = QStringLiteral("com%1").arg(port);
        QVERIFY(QFile::link(QStringLiteral("/dev/null"), QStringLiteral("adapter")));
        if (entry == u"file")
            QVERIFY(writeBytes(name, QByteArray()));
        else if (!entry.isEmpty())
            QVERIFY(QFile::link(entry.replace(u'@', here), name));
        QCOMPARE(serialPortName(port), expected.replace(u'@', here));
        if (!shown.isEmpty())
            QCOMPARE(portDeviceText(port, systemAdapters()), shown.replace(u'@', here));
        // Another number is not affected by this entry.
        if (port >= 1 && !entry.isEmpty())
            QCOMPARE(serialPortName(port + 20), QStringLiteral("/dev/ttyS%1").arg(port + 19));
    }

    // Why a port cannot be opened, for the message that says what to do.
    void portAccess_data()
    {
        QTest::addColumn<AccessCase>("port");
        using P = PortAccess;
        const QString signIn = QStringLiteral("cierre la sesión y vuelva a entrar");
        QTest::newRow("opens") << AccessCase{};
        QTest::newRow("missing") << AccessCase{.statError = ENOENT, .problem = P::Missing,
                                               .facts = {"el puerto no existe."}};
        QTest::newRow("gone as it opens") << AccessCase{.openError = ENXIO, .problem = P::Missing,
                                                        .facts = {"el puerto no existe."}};
        QTest::newRow("not in the group")
            << AccessCase{.openError = EACCES, .problem = P::NoPermission,
                          .facts = {"el usuario ana ", "«sudo usermod -aG dialout ana»", signIn}};
        QTest::newRow("not in the device's own group")
            << AccessCase{.group = 10, .openError = EPERM, .problem = P::NoPermission,
                          .facts = {"«sudo usermod -aG uucp ana»", signIn}};
        QTest::newRow("group added, session older")
            << AccessCase{.openError = EACCES, .memberOf = {1000, 20}, .problem = P::GroupNotInSession,
                          .facts = {"el usuario ana ya está en el grupo dialout", signIn}};
        QTest::newRow("root's group: no group to join")
            << AccessCase{.group = 0, .openError = EACCES, .problem = P::NoPermission,
                          .facts = {"el usuario ana no tiene permiso para usarlo: pida al administrador del "
                                    "equipo acceso al dispositivo."}};
        QTest::newRow("group may only read")
            << AccessCase{.mode = 020640, .openError = EACCES, .memberOf = {1000, 20},
                          .problem = P::NoPermission, .facts = {"pida al administrador"}};
        QTest::newRow("in the group, still refused")
            << AccessCase{.openError = EACCES, .memberOf = {1000, 20}, .inSession = {1000, 20},
                          .problem = P::Other, .facts = {"error del sistema (" + qt_error_string(EACCES) + ")."}};
        QTest::newRow("exclusive use")
            << AccessCase{.openError = EBUSY, .problem = P::Busy,
                          .facts = {"lo tiene abierto otro programa: ciérrelo y vuelva a cargar."}};
        // The lock is looked at before any open: as root the open would go
        // through, and here it would say "permission".
        QTest::newRow("UUCP lock of a live program")
            << AccessCase{.openError = EACCES, .lock = "/var/lock/LCK..ttyUSB0", .lockBytes = "      4321\n",
                          .problem = P::Busy,
                          .facts = {"lo tiene abierto otro programa (minicom): ciérrelo y vuelva a cargar."}};
        QTest::newRow("Qt's lock on a pseudo-terminal, second folder")
            << AccessCase{.device = "/dev/pts/3", .lock = "/run/lock/LCK..pts_3",
                          .lockBytes = "4321\nadslconf\nportatil\n", .problem = P::Busy, .facts = {"(minicom)"}};
        QTest::newRow("stale lock") << AccessCase{.lock = "/var/lock/LCK..ttyUSB0", .lockBytes = "999\n"};
        QTest::newRow("lock of another port") << AccessCase{.lock = "/var/lock/LCK..ttyUSB1", .lockBytes = "4321\n"};
        QTest::newRow("other error") << AccessCase{.openError = EIO, .problem = P::Other,
                                                   .facts = {"error del sistema (" + qt_error_string(EIO) + ")."}};
    }

    void portAccess()
    {
        QFETCH(AccessCase, port);
#ifdef Q_OS_WIN
        QSKIP("Windows has no device groups or lock files");
#endif
        const PortAccess access = checkPortAccess(port.device, fakeSystem(port));
        QCOMPARE(access.problem, port.problem);
        const QString reason = portAccessReason(access);
        if (port.facts.size() == 1 && port.facts[0].endsWith(u'.'))
            QCOMPARE(reason, port.facts[0]);
        for (const QString &fact : std::as_const(port.facts))
            QVERIFY2(reason.contains(fact), qPrintable(reason));
        QCOMPARE(reason.isEmpty(), port.problem == PortAccess::Ok);
    }

    // The same check on this machine: a lock naming this very test, and
    // files of mode 0660 looked at as the user nobody by a copy of this
    // program.
    void portAccessForReal()
    {
#ifndef Q_OS_UNIX
        QSKIP("POSIX only");
#else
        QTemporaryDir dir(QStringLiteral("/tmp/adslconf-access-XXXXXX"));
        QVERIFY(dir.isValid());
        const QString device = dir.filePath(QStringLiteral("port"));
        QVERIFY(writeBytes(device, QByteArray()));
        PortSystem system = PortSystem::real();
        QCOMPARE(checkPortAccess(device, system).problem, PortAccess::Ok);
        QCOMPARE(checkPortAccess(device + u'x', system).problem, PortAccess::Missing);
        system.lockDirectories = {dir.path()};
        QVERIFY(writeBytes(dir.filePath("LCK.." + QString(device).replace(u'/', u'_')),
                           QByteArray::number(::getpid()).rightJustified(10) + '\n'));
        const PortAccess locked = checkPortAccess(device, system);
        QCOMPARE(locked.problem, PortAccess::Busy);
        QCOMPARE(locked.holder, QCoreApplication::applicationName().left(15)); // the kernel's length

        const passwd *nobody = ::getpwnam("nobody");
        const group *dialout = ::getgrnam("dialout");
        if (::getuid() != 0 || !nobody || !dialout)
            QSKIP("needs root, a user nobody and a group dialout");
        const uid_t uid = nobody->pw_uid;
        const gid_t own = nobody->pw_gid;
        const group *ownGroup = ::getgrgid(own);
        const QString ownName = ownGroup ? QString::fromLocal8Bit(ownGroup->gr_name) : QString::number(own);
        QVERIFY(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                                       | QFile::ReadGroup | QFile::ExeGroup
                                                       | QFile::ReadOther | QFile::ExeOther));
        // The second file's group is nobody's own in the group database, but
        // the child runs with none of its groups, as a session opened before.
        const QString second = dir.filePath(QStringLiteral("second"));
        QVERIFY(writeBytes(second, QByteArray()));
        for (const auto &[path, gid] : {std::pair{device, dialout->gr_gid}, std::pair{second, own}}) {
            QCOMPARE(::chown(QFile::encodeName(path).constData(), 0, gid), 0);
            QCOMPARE(::chmod(QFile::encodeName(path).constData(), 0660), 0);
        }
        const gid_t outsider = own - 1;
        QProcess child;
        child.setChildProcessModifier([uid, outsider] {
            if (::setgroups(0, nullptr) != 0 || ::setgid(outsider) != 0 || ::setuid(uid) != 0)
                ::_exit(3);
        });
        child.start(QCoreApplication::applicationFilePath(), {QString::fromLatin1(childFlag), device, second});
        if (!child.waitForStarted(5000))
            QSKIP("the user nobody cannot run this test's program here");
        QVERIFY(child.waitForFinished(10000));
        QCOMPARE(child.exitCode(), 0);
        QCOMPARE(QString::fromLocal8Bit(child.readAllStandardOutput()),
                 QStringLiteral("%1 dialout nobody\n%2 %3 nobody\n")
                     .arg(int(PortAccess::NoPermission))
                     .arg(int(PortAccess::GroupNotInSession))
                     .arg(ownName));
#endif
    }

    // The system's adapters: each by-id name joins the device it leads to;
    // one whose adapter has gone is left out.
    void adaptersById()
    {
#ifndef Q_OS_LINUX
        QSKIP("by-id names are Linux's");
#else
        WorkDir work;
        QVERIFY(QDir().mkdir("by-id"));
        QVERIFY(QFile::link("/dev/null", "by-id/usb-Sim_Modem_0001-if00"));
        QVERIFY(QFile::link("/nonexistent/ttyUSB9", "by-id/usb-Gone-if00"));
        const QList<SerialAdapter> found = systemAdapters(work.file("by-id"));
        QList<SerialAdapter> named;
        std::copy_if(found.begin(), found.end(), std::back_inserter(named),
                     [](const SerialAdapter &adapter) { return !adapter.byId.isEmpty(); });
        QCOMPARE(named.size(), 1);
        QCOMPARE(named[0].device, "/dev/null");
        QCOMPARE(named[0].byId, work.file("by-id/usb-Sim_Modem_0001-if00"));
        QCOMPARE(adapterEntryText(named[0]), "usb-Sim_Modem_0001-if00 (null)");
#endif
    }
};

// Run with childFlag and paths, the program checks each as whoever runs it
// and prints the problem, the group and the user.
int main(int argc, char *argv[])
{
    if (argc >= 2 && qstrcmp(argv[1], childFlag) == 0) {
        for (int i = 2; i < argc; ++i) {
            const PortAccess access = checkPortAccess(QString::fromLocal8Bit(argv[i]));
            printf("%d %s %s\n", int(access.problem), qPrintable(access.group), qPrintable(access.user));
        }
        return 0;
    }
    QCoreApplication app(argc, argv);
    TestPorts test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_ports.moc"
