#include "shell/datafolder.h"

#include "workdir.h"

#include <QFile>
#include <QtTest>

// The folder layout of every row: <root>/home (the home folder, with
// Documentos as its documents folder), <root>/elsewhere, and <root>/tohome,
// a link to the home folder.
class TestDataFolder : public QObject
{
    Q_OBJECT

private slots:
    void choice_data()
    {
        QTest::addColumn<QString>("working");
        QTest::addColumn<QString>("file");   // made in the working folder first
        QTest::addColumn<QString>("dirOption"); // null: no --dir
        QTest::addColumn<bool>("writable");
        QTest::addColumn<QString>("expected");

        const QString none;
        QTest::newRow("desktop menu, first start") << "home" << none << none << true << "home/Documentos/ADSL";
        QTest::newRow("home reached through a link") << "tohome" << none << none << true << "home/Documentos/ADSL";
        QTest::newRow("home holds conf_gen.dat") << "home" << "conf_gen.dat" << none << true << "home";
        QTest::newRow("home holds claves.dat") << "home" << "claves.dat" << none << true << "home";
        QTest::newRow("run from a folder") << "elsewhere" << none << none << true << "elsewhere";
        QTest::newRow("folder not writable") << "elsewhere" << none << none << false << "home/Documentos/ADSL";
        QTest::newRow("installation not writable") << "elsewhere" << "conf_gen.dat" << none << false << "elsewhere";
        QTest::newRow("--dir relative") << "home" << none << "datos/../obra" << true << "home/obra";
        QTest::newRow("--dir over an installation") << "elsewhere" << "claves.dat" << "../home" << true << "home";
    }
    void choice()
    {
        QFETCH(QString, working);
        QFETCH(QString, file);
        QFETCH(QString, dirOption);
        QFETCH(bool, writable);
        QFETCH(QString, expected);

        WorkDir root;
        QVERIFY(QDir(root.path()).mkpath("home/Documentos"));
        QVERIFY(QDir(root.path()).mkpath("elsewhere"));
        QVERIFY(QFile::link(root.file("home"), root.file("tohome")));
        if (!file.isEmpty())
            QVERIFY(writeBytes(root.file(working + '/' + file), "x"));

        const QString home = root.file("home");
        QCOMPARE(datafolder::choose(dirOption, root.file(working), home + '/', home + "/Documentos", writable),
                 QDir::cleanPath(root.file(expected)));
    }

    void enter()
    {
        WorkDir root;
        QString error;
        QVERIFY(datafolder::enter(root.file("a/b/ADSL"), &error));
        QCOMPARE(QDir::current(), QDir(root.file("a/b/ADSL")));

        // A file where the folder should be: nothing moves.
        QVERIFY(writeBytes(root.file("a/b/ADSL/datos"), "x"));
        QVERIFY(!datafolder::enter(root.file("a/b/ADSL/datos/ADSL"), &error));
        QVERIFY2(error.contains("datos"), qPrintable(error));
        QCOMPARE(QDir::current(), QDir(root.file("a/b/ADSL")));
    }
};

QTEST_GUILESS_MAIN(TestDataFolder)
#include "tst_datafolder.moc"
