#include "app/startup.h"
#include "password/passwordstore.h"
#include "shell/textfile.h"

#include "samples.h"
#include "workdir.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QThread>
#include <QtTest>

#include <cstdio>

// The stored files: the text file layer, and what a refusal, a link or a
// kill in the middle of a save leaves of each.

namespace {

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

class TestTextFile : public QObject
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
        QCOMPARE(textfile::readFile("/dev/zero", &bytes), R::Damaged); // endless; a FIFO: tst_application
#endif
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

    // Kills a process that saves one file over and over, at random moments:
    // the next start finds the file whole, in one of its two versions, and
    // no temporary left.
    void killedInTheMiddleOfSaves_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<quint32>("seed"); // of the kill moments, told on failure
        QTest::newRow("conf_gen.dat") << "settings" << 1701u;
        QTest::newRow("claves.dat") << "password" << 2718u;
        QTest::newRow("script") << "script" << 3141u;
    }

    void killedInTheMiddleOfSaves()
    {
        QFETCH(QString, kind);
        QFETCH(quint32, seed);
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

        QRandomGenerator random(seed);
        const auto tell = qScopeGuard([seed] {
            if (QTest::currentTestFailed())
                qWarning("seed %u", seed);
        });
        // Kills that fell between saves prove nothing: it goes on past 30
        // until enough have left a temporary or the journal behind.
        const int wanted = 10;
        int caught = 0, round = 0;
        for (; round < 30 || (caught < wanted && round < 150); ++round) {
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
        QVERIFY2(caught >= wanted,
                 qPrintable(QStringLiteral("%1 of %2 kills cut a save short").arg(caught).arg(round)));
    }
};

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc == 3 && qstrcmp(argv[1], "--save-for-ever") == 0)
        return saveForEver(QString::fromLatin1(argv[2]));
    TestTextFile test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_textfile.moc"
