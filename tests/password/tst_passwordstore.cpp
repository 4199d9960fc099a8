#include "password/passwordstore.h"

#include "samples.h"
#include "workdir.h"

#include <QProcess>
#include <QtTest>

#include <csignal>
#include <cstdio>

#ifdef Q_OS_UNIX
#include <grp.h>
#include <pwd.h>
#include <sys/resource.h>
#include <unistd.h>
#endif

// claves.dat: its scrambled text, its journal, a file the program may not read.

class TestPasswordStore : public QObject
{
    Q_OBJECT

private slots:
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
};

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
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
    TestPasswordStore test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_passwordstore.moc"
