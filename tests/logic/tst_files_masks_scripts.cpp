#include "app/datafolder.h"
#include "app/endsignals.h"
#include "app/startup.h"
#include "builder/configscript.h"
#include "fields/netmask.h"
#include "password/passwordstore.h"
#include "settings/servicesettings.h"
#include "shell/deployment.h"
#include "shell/textfile.h"

#include "workdir.h"

#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QThread>
#include <QtTest>

#include <csignal>
#include <cstdio>

#ifdef Q_OS_UNIX
#include <grp.h>
#include <pwd.h>
#include <sys/resource.h>
#include <unistd.h>
#endif

// The stored files: the text file layer, the data folder, conf_gen.dat,
// claves.dat and what a kill in the middle of a save leaves of them; the
// masks the screens accept and the modem scripts built from their addresses.

namespace {

const QList<QByteArray> sampleLines = {" 2", "10", "0", "1", "0", "255", "255", "255", "0",
                                       "80", "58", "0", "33", "8", "32", "9", "9"};
const ServiceSettings sample{2, {"10", "0", "1", "0"}, {"255", "255", "255", "0"},
                             {"80", "58", "0", "33"}, "8", "32", "9", "9"};

// The sample conf_gen.dat with some lines replaced, CR LF after each.
QByteArray settingsFile(const QMap<int, QByteArray> &changes = {})
{
    QList<QByteArray> lines = sampleLines;
    for (auto it = changes.begin(); it != changes.end(); ++it)
        lines[it.key()] = it.value();
    return lines.join("\r\n") + "\r\n";
}

Octets quad(const QString &dotted)
{
    const QStringList parts = dotted.split(u'.');
    return {parts.value(0), parts.value(1), parts.value(2), parts.value(3)};
}

ServiceSettings withEdc(const QString &address)
{
    ServiceSettings s = defaultSettings();
    s.ipAddEDC = quad(address);
    return s;
}

// Typed with leading zeros, which derived addresses drop and typed ones keep;
// the modem's address is not its network's first, which the route is.
SubscriberConfig subscriber()
{
    return {.userPhoneNumValue = "0981234567",
            .userIpAdd = quad("192.168.001.034"),
            .userMaskAdd = quad("255.255.255.248"),
            .modEtherIpAdd = quad("172.26.0.14"),
            .modEtherMaskAdd = quad("255.255.255.240")};
}

// One source line per command mode of the modem's console.
const QStringList dhcpScript = {
    "restore config default", "restart", "admin", "*****", "conf",
    "sys", "hostname 0981234567",
    "eth", "no bridg", "no ip address", "ip addr 192.168.1.33 255.255.255.248", "top",
    "vcc1", "no pvc", "pvc 8 32 ip-llc", "no ip address", "no bridg",
    "ip address 172.26.0.14 255.255.255.240", "no ip napt", "top",
    "comm", "no ip route 0.0.0.0 vcc1", "ip route 0.0.0.0 0.0.0.0 172.26.0.1 vcc1",
    "dhcp address 1 192.168.001.034 255.255.255.248 1", "dhcp mode server",
    "dhcp gateway 1 192.168.1.33", "dhcp dns 1 pri 80.58.0.33",
    "dhcp domain-name 1 " + deployment::dhcpDomainName, "top",
    "quit", "save conf start", "restart"};

const QStringList naptScript = {
    "restore config default", "restart", "admin", "*****", "conf",
    "sys", "hostname 0981234567", "top",
    "eth", "no bridg", "no ip address", "ip addr 172.26.0.14 255.255.255.240", "top",
    "vcc1", "no pvc", "pvc 8 32 ip-llc", "no ip address", "no bridg",
    "ip address 192.168.001.034 255.255.255.248", "ip napt", "top",
    "comm", "no ip route 0.0.0.0 vcc1", "ip route 0.0.0.0 0.0.0.0 192.168.1.34 vcc1",
    "no dhcp mode", "ip host-acl 10.0.1.0 255.255.255.255",
    "quit", "save conf startup", "restart"};

const QByteArray abcPasswordFile("\"NqLoRu\"\r\n\x01\r\n");

// One of two versions of a stored file, saved as the program saves it.
bool save(const QString &kind, int v)
{
    if (kind == u"settings") {
        ServiceSettings s = defaultSettings();
        s.vciValue = QString::number(8 + v);
        s.comPort = qint16(1 + v);
        return storeSettings(s);
    }
    if (kind == u"password") {
        // As a transfer does: journaled, kept once the modem has it.
        const bool saved = storePasswordJournaled(v ? QStringLiteral("nueva1") : QStringLiteral("anterior"));
        keepStoredPassword();
        return saved;
    }
    SubscriberConfig changed = subscriber();
    changed.userIpAdd[3] = v ? "64" : "32";
    return writeConfigScript(changed, ConfigType::NAPT, defaultSettings());
}

// What the next start reads.
QByteArray stored(const QString &kind)
{
    if (kind == u"password")
        return loadPassword().toLatin1();
    return readBytes(kind == u"settings" ? settingsFileName : QStringLiteral("configuraciones/0981234567.cfg"));
}

// The child the crash test kills: saves the two versions in turn.
int saveForEver(const QString &kind)
{
    for (int v = 1; save(kind, v); v ^= 1) {
        fputs("saving\n", stdout);
        fflush(stdout);
    }
    return 1;
}

} // namespace

class TestFilesMasksScripts : public QObject
{
    Q_OBJECT

private slots:
    void values_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("empty") << QByteArray() << QStringList();
        QTest::newRow("CR LF lines, blanks") << QByteArray(" 1\r\n2 , 3") << QStringList{"1", "2", "3"};
        QTest::newRow("LF and CR alone") << QByteArray("1\n2\r3") << QStringList{"1", "2", "3"};
        QTest::newRow("empty values") << QByteArray("\r\na,,b\r\n") << QStringList{"", "a", "", "b"};
        QTest::newRow("quoted") << QByteArray(" \"a, b \" x,c") << QStringList{"a, b ", "c"};
        QTest::newRow("Latin-1") << QByteArray("a\xf1o\r\n") << QStringList{QString::fromUtf8("año")};
        QTest::newRow("joined lines") << textfile::joinLines({"a", "ñ", ""}) << QStringList{"a", "ñ", ""};
    }
    void values()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, expected);
        QCOMPARE(textfile::readValues(bytes), expected);
    }

    void textFilesWrittenWholeReadOnlyIfRegular()
    {
        WorkDir dir;
        QString error;
        QVERIFY(textfile::writeAtomically("f.txt", "long old contents", &error));
        QVERIFY(textfile::writeAtomically("f.txt", "new", &error));
        QCOMPARE(readBytes("f.txt"), QByteArray("new"));

        // The folder is made only when asked for.
        QVERIFY(!textfile::writeAtomically("sub/g.txt", "x", &error));
        QVERIFY(error.contains("sub/g.txt"));
        QVERIFY(!QFileInfo::exists("sub"));
        QVERIFY(textfile::writeAtomically("sub/g.txt", "x", &error, true));
        QCOMPARE(readBytes("sub/g.txt"), QByteArray("x"));
        QCOMPARE(QDir().entryList(QDir::Files | QDir::Hidden), QStringList{"f.txt"}); // no temporary left

        // Nothing blocks or is read whole but a regular file of a sane size.
        using R = textfile::ReadResult;
        QByteArray bytes;
        QVERIFY(writeBytes("limit", QByteArray(textfile::maxFileSize, 'x')));
        QVERIFY(writeBytes("beyond", QByteArray(textfile::maxFileSize + 1, 'x')));
        QVERIFY(QDir().mkdir("folder"));
        QCOMPARE(textfile::readFile("limit", &bytes), R::Ok);
        QCOMPARE(bytes.size(), textfile::maxFileSize);
        QCOMPARE(textfile::readFile("beyond", &bytes), R::Damaged);
        QCOMPARE(textfile::readFile("folder", &bytes), R::Missing);
        QCOMPARE(textfile::readFile("missing", &bytes), R::Missing);
#ifdef Q_OS_UNIX
        QCOMPARE(textfile::readFile("/dev/zero", &bytes), R::Damaged); // endless; a FIFO: tst_screens
#endif
    }

    // At start only the program's own temporaries go, those of the stored
    // files and of the folder's write probe; never an installer's copies.
    void startRemovesOnlyOwnTemporaries()
    {
        WorkDir dir;
        QStringList removed{"conf_gen.dat~adslconf-tmp~AbC123", "claves.dat.anterior~adslconf-tmp~Qwe9ty",
                            "adslconf~adslconf-tmp~x1Y2z3", "configuraciones/912345678.cfg~adslconf-tmp~aB3dE5"};
        const QStringList kept{"conf_gen.dat", "conf_gen.dat.backup", "conf_gen.dat.bak", "claves.dat.copia1",
                               "conf_gen.dat~adslconf-tmp~AbC1234", "configuraciones/912345678.cfg.backup",
                               "shared/conf_gen.dat~adslconf-tmp~AbC123"}; // no link leads to its file
        // Also beside the file a link leads to, where a save through it writes.
        removed << "shared/claves.dat~adslconf-tmp~Zx9Yw8";
        QVERIFY(QDir().mkpath("configuraciones") && QDir().mkpath("shared"));
        QVERIFY(QFile::link(dir.file("shared/claves.dat"), "claves.dat"));
        for (const QString &name : removed + kept)
            QVERIFY(writeBytes(name, "x"));
        recoverInterruptedSaves();
        for (const QString &name : removed)
            QVERIFY2(!QFileInfo::exists(name), qPrintable(name));
        for (const QString &name : kept)
            QVERIFY2(QFileInfo::exists(name), qPrintable(name));
    }

    // Each row's folders: <root>/home (the home folder, with Documentos as
    // its documents folder), <root>/elsewhere and <root>/tohome, a link to home.
    void dataFolderChoice_data()
    {
        QTest::addColumn<QString>("working");
        QTest::addColumn<QString>("file");      // made in the working folder first
        QTest::addColumn<QString>("dirOption"); // null: no --dir
        QTest::addColumn<bool>("writable");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<bool>("copied"); // the working folder is a read-only installation left behind

        const QString none, perUser = "home/Documentos/ADSL";
        QTest::newRow("desktop menu, first start") << "home" << none << none << true << perUser << false;
        QTest::newRow("home reached through a link") << "tohome" << none << none << true << perUser << false;
        QTest::newRow("home holds conf_gen.dat") << "home" << "conf_gen.dat" << none << true << "home" << false;
        QTest::newRow("home holds claves.dat") << "home" << "claves.dat" << none << true << "home" << false;
        QTest::newRow("home holds scripts") << "home" << "configuraciones/9.cfg" << none << true << "home" << false;
        QTest::newRow("home holds logs") << "home" << "logs/9.log" << none << true << "home" << false;
        QTest::newRow("home holds others' logs")
            << "home" << "logs/kern.log" << none << true << perUser << false;
        QTest::newRow("home holds others' configuraciones")
            << "home" << "configuraciones/red.conf" << none << true << perUser << false;
        QTest::newRow("run from a folder") << "elsewhere" << none << none << true << "elsewhere" << false;
        QTest::newRow("folder not writable") << "elsewhere" << none << none << false << perUser << false;
        QTest::newRow("installed, read-only") << "elsewhere" << "conf_gen.dat" << none << false << perUser << true;
        QTest::newRow("--dir relative") << "home" << none << "datos/../obra/ADSL" << true << "home/obra/ADSL" << false;
        QTest::newRow("--dir, read-only here") << "elsewhere" << "claves.dat" << "../home" << false << "home" << false;
        QTest::newRow("--dir through a file") << "elsewhere" << "claves.dat" << "claves.dat/ADSL" << true
                                              << "elsewhere/claves.dat/ADSL" << false;
    }
    void dataFolderChoice()
    {
        QFETCH(QString, working);
        QFETCH(QString, file);
        QFETCH(QString, dirOption);
        QFETCH(bool, writable);
        QFETCH(QString, expected);
        QFETCH(bool, copied);

        WorkDir root;
        QVERIFY(QDir(root.path()).mkpath("home/Documentos") && QDir(root.path()).mkpath("elsewhere"));
        QVERIFY(QFile::link(root.file("home"), root.file("tohome")));
        const QString made = root.file(working + '/' + file);
        if (!file.isEmpty())
            QVERIFY(QDir().mkpath(QFileInfo(made).path()) && writeBytes(made, "x"));

        const QString home = root.file("home");
        const datafolder::Choice choice =
            datafolder::choose(dirOption, root.file(working), home + '/', home + "/Documentos", writable);
        QCOMPARE(choice.folder, QDir::cleanPath(root.file(expected)));
        QCOMPARE(choice.readOnlyInstallation, copied ? root.file(working) : QString());

        // Entering makes the missing folders; with a file in the way nothing moves.
        const bool fileInTheWay = QFileInfo(QFileInfo(choice.folder).path()).isFile();
        QString error;
        QCOMPARE(datafolder::enter(choice.folder, &error), !fileInTheWay);
        QCOMPARE(QDir::current(), QDir(fileInTheWay ? root.path() : choice.folder));
        QVERIFY2(!fileInTheWay || error.contains(file), qPrintable(error));
    }

    // The first time the per-user folder stands in for a read-only
    // installation, it gets the installation's files but the logs, and
    // says so; never again, and never over a file already there.
    void readOnlyInstallationCopiedOnce()
    {
        WorkDir root;
        const QStringList copied{"conf_gen.dat", "claves.dat", "configuraciones/912.cfg"};
        for (const QString &name : copied + QStringList{"configuraciones/912.txt", "logs/912.log"})
            QVERIFY(QDir().mkpath("pf/" + QFileInfo(name).path()) && writeBytes("pf/" + name, name.toLatin1()));
        QVERIFY(QDir().mkdir("ADSL") && QDir::setCurrent("ADSL"));
        const QString told = datafolder::Hold().take(root.file("pf")).message.text;
        QVERIFY2(told.contains(QDir::toNativeSeparators(root.file("ADSL"))), qPrintable(told));
        for (const QString &name : copied)
            QCOMPARE(readBytes(name), name.toLatin1());
        QVERIFY(!QFileInfo::exists("configuraciones/912.txt") && !QFileInfo::exists("logs"));
#ifdef Q_OS_UNIX
        QCOMPARE(QFileInfo("claves.dat").permissions() & (QFile::ReadGroup | QFile::ReadOther), 0);
#endif
        QVERIFY(writeBytes("conf_gen.dat", "mine") && QFile::remove("claves.dat"));
        QVERIFY(datafolder::Hold().take(root.file("pf")).message.text.isEmpty() && !QFileInfo::exists("claves.dat"));
        QVERIFY(datafolder::copyInstallation(root.file("pf")).isEmpty() && readBytes("conf_gen.dat") == "mine");
        QCOMPARE(readBytes("claves.dat"), "claves.dat");
    }

    // A second copy started while the first is in a load's password phase
    // (claves.dat and its journal as a load leaves them, a temporary)
    // touches nothing. Once the first is killed, or a power cut left the
    // lock unreadable, the next copy takes over and puts things right.
    void oneProgramPerDataFolder()
    {
        WorkDir dir;
        QProcess first;
        first.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--hold-folder")});
        QVERIFY(first.waitForReadyRead());
        QVERIFY(storePassword("anterior") && storePasswordJournaled("nueva1"));
        QVERIFY(writeBytes("conf_gen.dat~adslconf-tmp~AbC123", "cut short"));
        const auto files = [] {
            QMap<QString, QByteArray> all;
            for (const QString &name : QDir().entryList(QDir::Files | QDir::Hidden | QDir::System))
                all[name] = readBytes(name);
            return all;
        };
        const auto before = files();
        const auto second = datafolder::Hold().take();
        QCOMPARE(second.outcome, datafolder::Hold::Outcome::AlreadyRunning);
        QVERIFY2(second.message.text.startsWith("El programa ya está abierto"), qPrintable(second.message.text));
        QCOMPARE(files(), before);
        first.kill();
        QVERIFY(first.waitForFinished());
        QCOMPARE(datafolder::Hold().take().outcome, datafolder::Hold::Outcome::Started);
        QCOMPARE(loadPassword(), QStringLiteral("anterior"));
        QCOMPARE(files().keys(), QStringList{passwordFileName.mid(2)});
        QFile lock("adslconf.lock"); // as a power cut leaves it
        QVERIFY(writeBytes(lock.fileName(), "x") && lock.open(QIODevice::ReadOnly)
                && lock.setFileTime(QDateTime::currentDateTime().addSecs(-60), QFile::FileModificationTime));
        QCOMPARE(datafolder::Hold().take().outcome, datafolder::Hold::Outcome::Started);
    }

#ifdef Q_OS_UNIX
    // Signals that come during start-up wait for the event loop: none is
    // lost, and none is handled inside the handler, where the program could
    // not end safely.
    void endSignalsWaitForTheLoop()
    {
        int ended = 0;
        const EndSignals endSignals([&ended] { ++ended; });
        for (int number : {SIGTERM, SIGHUP, SIGINT})
            std::raise(number);
        QCOMPARE(ended, 0);
        QTRY_VERIFY(endSignals.arrived());
        QVERIFY(ended > 0);
    }
#endif

    // Each file reads as the settings; the rows "written" are also what
    // storing those settings writes.
    void settingsFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<ServiceSettings>("settings");
        QTest::addColumn<bool>("written");
        const auto lines = [](const char *const octets[4]) {
            return QByteArrayList(octets, octets + 4).join("\r\n") + "\r\n";
        };
        const QByteArray defaults = " 1\r\n" + lines(deployment::defaultEdcAddress) + "255\r\n255\r\n255\r\n"
                                    + "255\r\n" + lines(deployment::defaultDnsAddress) + "8\r\n32\r\n9\r\n9\r\n";
        QTest::newRow("defaults") << defaults << defaultSettings() << true;
        ServiceSettings odd = sample, emptyVci = sample;
        odd.comPort = 14;
        odd.ipAddEDC = {"010", "000", "1", "0"};
        odd.maxSize = "12";
        emptyVci.vciValue = "";
        QTest::newRow("port 14, leading zeros kept")
            << settingsFile({{0, " 14"}, {1, "010"}, {2, "000"}, {16, "12"}}) << odd << true;
        QTest::newRow("empty line is an empty value") << settingsFile({{13, ""}}) << emptyVci << true;
        QTest::newRow("lines after the 17th") << settingsFile() + "junk\r\n" << sample << false;
        QTest::newRow("16 lines") << settingsFile().chopped(3) << defaultSettings() << false;
        QTest::newRow("port not a number") << settingsFile({{0, "com2"}}) << defaultSettings() << false;
        QTest::newRow("port beyond 16 bits") << settingsFile({{0, " 99999"}}) << defaultSettings() << false;
    }
    void settingsFiles()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(ServiceSettings, settings);
        QFETCH(bool, written);
        QCOMPARE(parseSettings(bytes), settings);
        if (!written)
            return;
        WorkDir dir;
        QCOMPARE(loadSettings(), defaultSettings()); // no file yet, and none made
        QVERIFY(!QFileInfo::exists(settingsFileName));
        QString error;
        QVERIFY(storeSettings(settings, &error));
        QCOMPARE(readBytes(settingsFileName), bytes);
        QCOMPARE(loadSettings(), settings);
    }

    // The password goes scrambled, then a random filler line of one or two
    // bytes 0 or 1.
    void storesPassword()
    {
        WorkDir dir;
        QSet<QByteArray> fillers;
        for (int run = 0; run < 64; ++run) {
            QVERIFY(storePassword("abc"));
            const QByteArray bytes = readBytes(passwordFileName);
            const QByteArray filler = bytes.mid(10, bytes.size() - 12);
            QVERIFY2(bytes.startsWith("\"NqLoRu\"\r\n") && bytes.endsWith("\r\n") && filler.size() <= 2
                         && filler.count('\0') + filler.count('\1') == qMax(filler.size(), 1),
                     bytes.toHex().constData());
            fillers.insert(filler);
        }
        QVERIFY2(fillers.size() > 1, "the filler line never varies");
    }

    // The journal puts back the file it replaced only while claves.dat holds
    // what the transfer wrote. One not restored is never replaced: it may
    // be the only record of the password a modem has. Both stay secret.
    void journalRestoresOnlyItsOwnFile_data()
    {
        QTest::addColumn<QByteArray>("meanwhile"); // put in claves.dat after the store
        QTest::addColumn<bool>("restored");
        QTest::newRow("cut short before the store") << abcPasswordFile << true;
        QTest::newRow("copied in from a colleague") << QByteArray("\"PmOr\"\r\n\0\r\n", 11) << false;
#ifdef Q_OS_UNIX
        QTest::newRow("restore fails") << QByteArray("file size limit") << false;
#endif
    }
    void journalRestoresOnlyItsOwnFile()
    {
        QFETCH(QByteArray, meanwhile);
        QFETCH(bool, restored);
        WorkDir dir;
        QVERIFY(writeBytes(passwordFileName, abcPasswordFile));
        QVERIFY(QFile::setPermissions(passwordFileName, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther));
        QVERIFY(storePasswordJournaled("nueva1"));
        const QByteArray journal = readBytes(passwordJournalPath());
        const bool limited = meanwhile == "file size limit";
        QVERIFY(limited || writeBytes(passwordFileName, meanwhile));
        const QByteArray before = readBytes(passwordFileName);
#ifdef Q_OS_UNIX
        for (const QString &file : {passwordFileName, passwordJournalPath()})
            QCOMPARE(QFileInfo(file).permissions() & ~(QFile::ReadUser | QFile::WriteUser),
                     QFile::ReadOwner | QFile::WriteOwner);
        rlimit limit{}; // a file size limit binds root too
        getrlimit(RLIMIT_FSIZE, &limit);
        const rlimit none{limited ? 0 : limit.rlim_cur, limit.rlim_max};
        std::signal(SIGXFSZ, SIG_IGN);
        setrlimit(RLIMIT_FSIZE, &none);
#endif
        const bool done = restorePreviousPassword();
#ifdef Q_OS_UNIX
        setrlimit(RLIMIT_FSIZE, &limit);
#endif
        QCOMPARE(done, restored);
        QCOMPARE(readBytes(passwordFileName), before);
        // Refused while the journal is left, which stays as it was.
        QCOMPARE(storePasswordJournaled("otra"), restored);
        QCOMPARE(readBytes(passwordJournalPath()) == journal, !restored);
    }

    void readsPasswordFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("expected");
        QTest::newRow("two quotes") << QByteArray("\"\"\r\n\x01\r\n") << "";
        QTest::newRow("no filler line") << QByteArray("\"NqLoRu\"") << "abc";
        QTest::newRow("odd length") << QByteArray("\"NqLoR\"\r\n\x00\r\n", 11) << "abc";
        QTest::newRow("second of pair ignored") << QByteArray("\"N?L?R?\"\r\n") << "abc";
        QTest::newRow("empty file") << QByteArray() << "trumelox";
        QTest::newRow("no closing quote") << QByteArray("\"NqLoRu\r\n") << "trumelox";
        QTest::newRow("junk before quote") << QByteArray("x\"NqLoRu\"\r\n") << "trumelox";
        QTest::newRow("code above 255") << QByteArray("\"\xfa\"\r\n") << "trumelox"; // 250 + 1 + 20
        // Only from the 21st character on can a code fall below 0: 0 - 21 + 20.
        QTest::newRow("code below 0") << "\"" + QByteArray(40, 'N') + QByteArray(1, '\0') + "\"" << "trumelox";
    }
    void readsPasswordFiles()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, expected);
        WorkDir dir;
        QVERIFY(writeBytes(passwordFileName, bytes));
        QCOMPARE(loadPassword(), expected);
    }

    // Texts a file could not hold back, and a write that fails: every
    // stored file stays as it was.
    void refusalKeepsOldFiles_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("text"); // the VCI for conf_gen.dat, else the password
        QTest::newRow("VCI with a comma") << settingsFileName << "8,5";
        QTest::newRow("blank at 14") << passwordFileName << "abcdefghijklm ";
        QTest::newRow("high code at odd position") << passwordFileName << QString(QChar(0xF5)); // 245 + 1 + 15
        QTest::newRow("scrambles to a quote") << passwordFileName << "1234";                 // 51 + 3 - 20
        QTest::newRow("quote as second of pair") << passwordFileName << QString(QChar(18));   // 18 + 1 + 15
        QTest::newRow("password file is a folder") << "." << "nueva"; // its journal is written
    }
    void refusalKeepsOldFiles()
    {
        QFETCH(QString, path);
        QFETCH(QString, text);
        WorkDir dir;
        QVERIFY(writeBytes(settingsFileName, settingsFile()) && writeBytes(passwordFileName, abcPasswordFile));
        QString error;
        if (path == settingsFileName) {
            ServiceSettings s = defaultSettings();
            s.vciValue = text;
            QVERIFY(!storeSettings(s, &error));
            QVERIFY2(error.contains('"' + text + '"'), qPrintable(error));
        } else {
            QCOMPARE(passwordStorable(text), path != passwordFileName);
            QVERIFY(!storePasswordJournaled(text, &error, path) && !error.isEmpty());
            QVERIFY(!QFileInfo::exists(passwordJournalPath(path)));
        }
        QCOMPARE(readBytes(settingsFileName), settingsFile());
        QCOMPARE(readBytes(passwordFileName), abcPasswordFile);
    }

    // A stored file that is a link stays one: the file at the end of the
    // chain is replaced, keeping its permissions (claves.dat owner-only).
    // A loop of links is refused and left as it is.
    void linkedFilesStayLinks_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QStringList>("links"); // each leads to the next, the last to shared/file
        QTest::addColumn<QString>("end"); // "file", "dangling", "gone" (into a missing folder) or "loop" (back to the first link)
        QTest::newRow("conf_gen.dat") << "settings" << QStringList{settingsFileName} << "file";
        QTest::newRow("claves.dat, two links")
            << "password" << QStringList{"claves.dat", "shared/link"} << "file";
        QTest::newRow("script, dangling")
            << "script" << QStringList{"configuraciones/0981234567.cfg"} << "dangling";
        QTest::newRow("claves.dat, dangling") << "password" << QStringList{"claves.dat"} << "dangling";
        QTest::newRow("script, into a folder that is gone") << "script" << QStringList{"configuraciones/0981234567.cfg"} << "gone";
        QTest::newRow("conf_gen.dat, a loop")
            << "settings" << QStringList{settingsFileName, "shared/link"} << "loop";
    }
    void linkedFilesStayLinks()
    {
        QFETCH(QString, kind);
        QFETCH(QStringList, links);
        QFETCH(QString, end);
        WorkDir dir;
        const QString target = end == u"gone" ? "shared/gone/file" : "shared/file";
        const QFile::Permissions shared = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup;
        QVERIFY(QDir().mkpath("shared") && QDir().mkpath("configuraciones"));
        QVERIFY(end == u"dangling" || end == u"gone" || (writeBytes(target, "old") && QFile::setPermissions(target, shared)));
        const QStringList chain = links + QStringList{end == u"loop" ? links[0] : target};
        for (qsizetype i = 0; i < links.size(); ++i)
            QVERIFY(QFile::link(dir.file(chain[i + 1]), chain[i]));

        QCOMPARE(save(kind, 1), end != u"loop" && end != u"gone");
        for (const QString &link : links)
            QVERIFY2(QFileInfo(link).isSymLink(), qPrintable(link));
        QCOMPARE(readBytes(target) == "old", end == u"loop");
#ifdef Q_OS_UNIX
        if (end == u"file")
            QCOMPARE(QFileInfo(target).permissions() & ~(QFile::ReadUser | QFile::WriteUser | QFile::ExeUser),
                     kind == u"password" ? QFile::ReadOwner | QFile::WriteOwner : shared);
#endif
        if (kind == u"password" && end == u"dangling") { // a load cut short puts back no file: a dangling link
            QVERIFY(QFile::remove(target) && storePasswordJournaled("otra") && restorePreviousPassword());
            QVERIFY(QFileInfo(links[0]).isSymLink() && !QFileInfo::exists(target));
        }
    }

    // A claves.dat there but unreadable (left by a run with sudo) is no
    // missing one: a cut load would delete it. The load is refused.
    void unreadablePasswordFileRefused()
    {
#ifdef Q_OS_UNIX
        WorkDir dir;
        QVERIFY(writeBytes(passwordFileName, abcPasswordFile) && QFile::setPermissions(passwordFileName, {}));
        QVERIFY(QFile::setPermissions(".", QFile::Permissions(0x7777))); // for nobody, below
        QProcess store; // as nobody when the tests run as root, whom no permission stops
        store.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--store-password")});
        QVERIFY(store.waitForFinished());
        if (store.exitCode() == 2)
            QSKIP("the tests run as root and cannot run a child as nobody");
        const QByteArray error = store.readAllStandardOutput();
        QCOMPARE(store.exitCode(), 1);
        QVERIFY2(error.contains("No se puede leer el fichero") && error.contains("propietario"), error);
        QVERIFY(QFile::setPermissions(passwordFileName, QFile::ReadOwner));
        QCOMPARE(readBytes(passwordFileName), abcPasswordFile);
        QVERIFY(!passwordJournalLeft());
#endif
    }

    // Over ssh or in a script, where no display is there.
    void helpAndVersionWithoutDisplay()
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(name);
        for (const auto &[option, text] :
             {std::pair{"--help", "--dir <carpeta>"}, std::pair{"--version", "adslconf "}}) {
            QProcess program;
            program.setProcessEnvironment(environment);
            program.start(ADSLCONF_PATH, {option});
            QVERIFY(program.waitForFinished());
            QCOMPARE(program.exitStatus(), QProcess::NormalExit);
            QCOMPARE(program.exitCode(), 0);
            QVERIFY2(program.readAllStandardOutput().contains(text), option);
        }
    }

    void maskBytesAndPrefixMasks()
    {
        const QSet<int> valid{0, 128, 192, 224, 240, 248, 252, 254, 255};
        for (int v = -1; v <= 256; ++v)
            QCOMPARE(validMaskByte(QString::number(v)), valid.contains(v));
        QVERIFY(validMaskByte("0255"));
        QVERIFY(!validMaskByte("65536")); // would wrap to 0
        QVERIFY(!validMaskByte(""));
        QVERIFY(!validMaskByte("2x5"));

        // Of every combination of mask bytes, and of 1 which is none, only the
        // 33 prefix masks pass, widest first, each with its count of host bits.
        const QStringList bytes{"0", "1", "128", "192", "224", "240", "248", "252", "254", "255"};
        QList<int> hostBits;
        for (const QString &a : bytes)
            for (const QString &b : bytes)
                for (const QString &c : bytes)
                    for (const QString &d : bytes)
                        if (validMask(MaskSource::Subscriber, {a, b, c, d}, defaultSettings()))
                            hostBits << hostBitCount({a, b, c, d});
        QList<int> prefixes;
        for (int n = 32; n >= 0; --n)
            prefixes << n;
        QCOMPARE(hostBits, prefixes);
    }

    // Without an EDC address the shape alone counts (the EDC is then never
    // read); with one, the mask must also end where the address's ones end.
    // The bad EDC octets would fit were they read as 0.
    void masks_data()
    {
        QTest::addColumn<QString>("mask");
        QTest::addColumn<QString>("edc");
        QTest::addColumn<bool>("valid");
        QTest::newRow("leading zeros") << "255.255.255.000" << "" << true;
        QTest::newRow("negative") << "255.255.255.-0" << "" << false;
        QTest::newRow("four digits") << "255.255.255.0000" << "" << false;
        const ServiceSettings d = defaultSettings();
        QTest::newRow("the defaults") << joinOctets(d.maskAddEDC) << joinOctets(d.ipAddEDC) << true;
        QTest::newRow("192.168.1.0 fits /24") << "255.255.255.0" << "192.168.1.0" << true;
        QTest::newRow("even host not /32") << "255.255.255.255" << "192.0.2.2" << false;
        QTest::newRow("/0 with an address") << "0.0.0.0" << "10.0.0.0" << false;
        QTest::newRow("bad shape, good fit") << "255.255.0.255" << "192.168.1.0" << false;
        QTest::newRow("EDC octet empty") << "255.255.255.0" << "10.0.1." << false;
        QTest::newRow("EDC octet 256") << "255.255.255.0" << "10.0.1.256" << false;
    }

    void masks()
    {
        QFETCH(QString, mask);
        QFETCH(QString, edc);
        QFETCH(bool, valid);
        if (!edc.isEmpty()) {
            QCOMPARE(validMask(MaskSource::EdcNetwork, quad(mask), withEdc(edc)), valid);
            return;
        }
        QCOMPARE(validMask(MaskSource::Subscriber, quad(mask), withEdc("junk")), valid);
    }

    // Each row's script, or none when it is refused.
    void scripts_data()
    {
        QTest::addColumn<ConfigType>("type");
        QTest::addColumn<SubscriberConfig>("sub");
        QTest::addColumn<ServiceSettings>("set");
        QTest::addColumn<QStringList>("lines");

        const QStringList refused;
        QTest::newRow("DHCP") << ConfigType::DHCP << subscriber() << sample << dhcpScript;
        const auto user = [](const char *last, const char *maskLast) {
            SubscriberConfig s = subscriber();
            s.userIpAdd[3] = last;
            s.userMaskAdd[3] = maskLast;
            return s;
        };
        // The derived primary (+1) or secondary (+2) last octet may not pass 255.
        QStringList fits = dhcpScript;
        fits.replaceInStrings("255.248", "255.254").replaceInStrings("1.33", "1.255");
        fits.replaceInStrings("034", "254");
        QTest::newRow("DHCP primary 256") << ConfigType::DHCP << user("255", "255") << sample << refused;
        QTest::newRow("DHCP primary 255 fits") << ConfigType::DHCP << user("254", "254") << sample << fits;
        QTest::newRow("NAPT secondary 256") << ConfigType::NAPT << user("254", "254") << sample << refused;

        SubscriberConfig s = subscriber();
        s.modEtherIpAdd[3] = "255";
        s.modEtherMaskAdd[3] = "255";
        QTest::newRow("DHCP management route 256") << ConfigType::DHCP << s << sample << refused;

        for (const char *phone : {"", "98123456a", "../conf_gen"}) {
            s = subscriber();
            s.userPhoneNumValue = QString::fromLatin1(phone);
            QTest::addRow("phone '%s'", phone) << ConfigType::DHCP << s << sample << refused;
        }
        s = subscriber();
        s.userIpAdd[0] = "256";
        QTest::newRow("octet out of range") << ConfigType::NAPT << s << sample << refused;

        ServiceSettings bad = sample;
        bad.vciValue = "8,1";
        QTest::newRow("circuit not a number") << ConfigType::DHCP << subscriber() << bad << refused;
        bad = sample;
        bad.ipAddDNS[2] = "x";
        QTest::newRow("DNS junk") << ConfigType::DHCP << subscriber() << bad << refused;
        QTest::newRow("NAPT, DNS unused") << ConfigType::NAPT << subscriber() << bad << naptScript;
        bad = sample;
        bad.ipAddEDC[1] = "1000";
        QTest::newRow("EDC junk") << ConfigType::NAPT << subscriber() << bad << refused;
    }

    void scripts()
    {
        QFETCH(ConfigType, type);
        QFETCH(SubscriberConfig, sub);
        QFETCH(ServiceSettings, set);
        QFETCH(QStringList, lines);
        const ConfigScript script = buildConfigScript(sub, type, set);
        QCOMPARE(script.ok(), !lines.isEmpty());
        QCOMPARE(script.lines, lines);
    }

    // Kills a process that saves one file over and over, at random moments:
    // the next start finds the file whole, in one of its two versions, and
    // no temporary left.
    void killedInTheMiddleOfSaves_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("conf_gen.dat") << "settings";
        QTest::newRow("claves.dat") << "password";
        QTest::newRow("script") << "script";
    }

    void killedInTheMiddleOfSaves()
    {
        QFETCH(QString, kind);
        WorkDir dir;
        QSet<QByteArray> versions;
        for (int v : {1, 0}) {
            QVERIFY(save(kind, v));
            versions << stored(kind);
        }
        auto whole = [&] { return versions.contains(stored(kind)); };
        auto files = [] {
            const auto all = QDir::Files | QDir::Hidden | QDir::System;
            return QDir().entryList(all) + QDir(QStringLiteral("configuraciones")).entryList(all);
        };

        QRandomGenerator random(QRandomGenerator::global()->generate());
        int caught = 0; // kills that left a temporary: the save was cut short
        for (int round = 0; round < 30; ++round) {
            QProcess saver;
            saver.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--save-for-ever"), kind});
            QVERIFY(saver.waitForReadyRead());
            QThread::usleep(random.bounded(5000));
            saver.kill();
            QVERIFY(saver.waitForFinished());
            QCOMPARE(saver.exitStatus(), QProcess::CrashExit); // still saving when killed
            QVERIFY2(whole(), qPrintable(QStringLiteral("round %1").arg(round)));
            caught += files().size() > 1 ? 1 : 0;
            recoverInterruptedSaves(); // the next start
            QVERIFY(whole());
            QCOMPARE(files().size(), 1);
        }
        qInfo("%d of 30 kills cut a save short", caught);
    }
};

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc == 3 && qstrcmp(argv[1], "--save-for-ever") == 0)
        return saveForEver(QString::fromLatin1(argv[2]));
    if (argc == 2 && qstrcmp(argv[1], "--hold-folder") == 0) { // the first copy in the two-copies test
        datafolder::Hold hold;
        fputs(hold.take().outcome == datafolder::Hold::Outcome::Started ? "held\n" : "refused\n", stdout);
        fflush(stdout);
        QThread::sleep(300); // until killed
        return 0;
    }
#ifdef Q_OS_UNIX
    if (argc == 2 && qstrcmp(argv[1], "--store-password") == 0) { // the unreadable claves.dat test
        const passwd *nobody = getpwnam("nobody");
        if (geteuid() == 0 && (!nobody || setgroups(0, nullptr) != 0 || setgid(nobody->pw_gid) != 0
                               || setuid(nobody->pw_uid) != 0))
            return 2;
        QString error;
        const bool stored = storePasswordJournaled(QStringLiteral("nueva1"), &error);
        fputs(error.toUtf8().constData(), stdout);
        return stored ? 0 : 1;
    }
#endif
    TestFilesMasksScripts test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_files_masks_scripts.moc"
