#include "builder/configscript.h"
#include "password/passwordstore.h"
#include "settings/servicesettings.h"
#include "shell/startup.h"

#include "workdir.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QThread>
#include <QtTest>

#include <cstdio>

// Kills a process that saves one stored file over and over, at random
// moments, and checks what the next start finds: the file whole, in one of
// its two versions, and no temporary left.

namespace {

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
        if (!storePasswordJournaled(v ? QStringLiteral("nueva1") : QStringLiteral("anterior")))
            return false;
        keepStoredPassword();
        return true;
    }
    const SubscriberConfig subscriber{.userPhoneNumValue = "912345678",
                                      .userIpAdd = {"192", "168", "1", v ? "64" : "32"},
                                      .userMaskAdd = {"255", "255", "255", "224"},
                                      .modEtherIpAdd = {"10", "0", "0", "1"},
                                      .modEtherMaskAdd = {"255", "255", "255", "0"}};
    return writeConfigScript(subscriber, ConfigType::NAPT, defaultSettings());
}

// What the next start reads.
QByteArray stored(const QString &kind)
{
    if (kind == u"password")
        return loadPassword().toLatin1();
    return readBytes(kind == u"settings" ? settingsFileName : QStringLiteral("configuraciones/912345678.cfg"));
}

// The child: saves the two versions in turn until it is killed.
int saveForEver(const QString &kind)
{
    for (int v = 1;; v ^= 1) {
        if (!save(kind, v))
            return 1;
        if (v == 1) {
            fputs("saving\n", stdout);
            fflush(stdout);
        }
    }
}

} // namespace

class TestCrashConsistency : public QObject
{
    Q_OBJECT

private slots:
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
            return QDir().entryList(QDir::Files) + QDir(QStringLiteral("configuraciones")).entryList(QDir::Files);
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
    TestCrashConsistency test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_crashconsistency.moc"
