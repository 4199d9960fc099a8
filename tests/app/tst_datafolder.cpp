#include "app/datafolder.h"
#include "app/endsignals.h"
#include "app/startup.h"
#include "password/passwordstore.h"
#include "settings/servicesettings.h"

#include "workdir.h"

#include <QProcess>
#include <QThread>
#include <QtTest>

#include <csignal>
#include <cstdio>

// The data folder: which one, its first filling, one program in it, the
// temporaries a start clears; and the signals that end the program.

class TestDataFolder : public QObject
{
    Q_OBJECT

private slots:
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
};

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc == 2 && qstrcmp(argv[1], "--hold-folder") == 0) { // the first copy in the two-copies test
        datafolder::Hold hold;
        fputs(hold.take().outcome == datafolder::Hold::Outcome::Started ? "held\n" : "refused\n", stdout);
        fflush(stdout);
        QThread::sleep(300); // until killed
        return 0;
    }
    TestDataFolder test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_datafolder.moc"
