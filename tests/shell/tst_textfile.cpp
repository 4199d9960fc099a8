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
        QTest::newRow("quoted") << QByteArray("\"a,b\"\r\nc") << QStringList{"a,b", "c"};
        QTest::newRow("after closing quote") << QByteArray("\"ab\"cd,e") << QStringList{"ab", "e"};
        QTest::newRow("unclosed quote") << QByteArray("\"ab\r\n") << QStringList{"\"ab"};
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

        QByteArray bytes;
        QVERIFY(!textfile::readAll("sub", &bytes));
        QVERIFY(!textfile::readAll("missing", &bytes));
    }
};

QTEST_GUILESS_MAIN(TestTextFile)
#include "tst_textfile.moc"
