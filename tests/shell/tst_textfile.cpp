#include "shell/startup.h"
#include "shell/textfile.h"

#include "workdir.h"

#include <QFileInfo>
#include <QtTest>

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
        QTest::newRow("Latin-1") << QByteArray("a\xf1o\r\n") << QStringList{QString::fromUtf8("año")};
    }
    void values()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, expected);
        QCOMPARE(textfile::readValues(bytes), expected);
    }

    void latin1Lines()
    {
        QCOMPARE(textfile::joinLines({"a", QString::fromUtf8("ñ"), ""}), QByteArray("a\r\n\xf1\r\n\r\n"));
        QVERIFY(textfile::isSingleByte(QString::fromUtf8("Configuración ÿ")));
        QVERIFY(!textfile::isSingleByte(QString::fromUtf8("€")));
    }

    void writesWholeOrNothing()
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

        // A parent that is a plain file cannot be made a folder: the file
        // stays, and no temporary file is left behind.
        QVERIFY(!textfile::writeAtomically("f.txt/h.txt", "x", &error, true));
        QCOMPARE(readBytes("f.txt"), QByteArray("new"));
        QCOMPARE(QDir().entryList(QDir::Files | QDir::Hidden), QStringList{"f.txt"});
    }

    // Only a regular file of a sane size is read; nothing blocks or is
    // read whole otherwise.
    void readsOnlyRegularFiles()
    {
        WorkDir dir;
        using R = textfile::ReadResult;
        QByteArray bytes;
        QVERIFY(writeBytes("limit", QByteArray(textfile::maxFileSize, 'x')));
        QVERIFY(writeBytes("beyond", QByteArray(textfile::maxFileSize + 1, 'x')));
        QVERIFY(QDir().mkdir("folder"));
        QCOMPARE(textfile::readFile("limit", &bytes), R::Ok);
        QCOMPARE(bytes.size(), textfile::maxFileSize);
        QCOMPARE(textfile::readFile("beyond", &bytes), R::Damaged);
        QCOMPARE(textfile::readFile("folder", &bytes), R::Damaged);
        QCOMPARE(textfile::readFile("missing", &bytes), R::Missing);
#ifdef Q_OS_UNIX
        QCOMPARE(textfile::readFile("/dev/zero", &bytes), R::Damaged); // endless; a FIFO: tst_shell
#endif
    }

    // At start only the program's own temporaries go: a stored file's
    // name, a dot and six letters or digits.
    void startRemovesOnlyOwnTemporaries()
    {
        WorkDir dir;
        const QStringList removed{"conf_gen.dat.AbC123", "claves.dat.x1Y2z3",
                                  "claves.dat.anterior.Qwerty", "configuraciones/912345678.cfg.aB3dE5"};
        const QStringList kept{"conf_gen.dat", "conf_gen.dat.bak", "conf_gen.dat.AbC1234",
                               "xconf_gen.dat.AbC123", "claves.dat.a-b_c1", "notas.txt.AbC123",
                               "configuraciones/912345678.cfg", "configuraciones/912.txt.aB3dE5",
                               "logs/912.log.aB3dE5"};
        QVERIFY(QDir().mkpath("configuraciones") && QDir().mkpath("logs"));
        for (const QString &name : removed + kept)
            QVERIFY(writeBytes(name, "x"));
        recoverInterruptedSaves();
        for (const QString &name : removed)
            QVERIFY2(!QFileInfo::exists(name), qPrintable(name));
        for (const QString &name : kept)
            QVERIFY2(QFileInfo::exists(name), qPrintable(name));
    }
};

QTEST_GUILESS_MAIN(TestTextFile)
#include "tst_textfile.moc"
