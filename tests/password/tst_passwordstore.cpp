#include "password/passwordstore.h"

#include "workdir.h"

#include <QtTest>

class TestPasswordStore : public QObject
{
    Q_OBJECT

private slots:
    void writesScrambledLineAndFiller()
    {
        WorkDir dir;
        QSet<QByteArray> fillers;
        for (int run = 0; run < 64; ++run) {
            QVERIFY(storePassword("abc"));
            const QByteArray bytes = readBytes(passwordFileName);
            QVERIFY(bytes.startsWith("\"NqLoRu\"\r\n") && bytes.endsWith("\r\n"));
            const QByteArray filler = bytes.mid(10, bytes.size() - 12);
            QVERIFY2(filler.size() == 1 || filler.size() == 2, filler.toHex().constData());
            for (char c : filler)
                QVERIFY(c == '\0' || c == '\1');
            fillers.insert(filler);
        }
        QVERIFY2(fillers.size() > 1, "the filler line never varies");
    }

    void readsFiles_data()
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
    void readsFiles()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, expected);
        WorkDir dir;
        QVERIFY(writeBytes(passwordFileName, bytes));
        QCOMPARE(loadPassword(), expected);
    }

    void refusalKeepsOldFile_data()
    {
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("path");
        QTest::newRow("blank at 14") << "abcdefghijklm " << passwordFileName;
        QTest::newRow("beyond Latin-1") << QString(QChar(0x20AC)) << passwordFileName;
        QTest::newRow("high code at odd position") << QString(QChar(0xF5)) << passwordFileName; // 245 + 1 + 15
        QTest::newRow("scrambles to a quote") << "1234" << passwordFileName;                 // 51 + 3 - 20
        QTest::newRow("quote as second of pair") << QString(QChar(18)) << passwordFileName;   // 18 + 1 + 15
        QTest::newRow("write fails") << "nueva" << "blocker/claves.dat";
    }
    void refusalKeepsOldFile()
    {
        QFETCH(QString, password);
        QFETCH(QString, path);
        WorkDir dir;
        const QByteArray old("\"NqLoRu\"\r\n\x01\r\n");
        QVERIFY(writeBytes(passwordFileName, old) && writeBytes("blocker", old));
        QCOMPARE(passwordStorable(password), path != passwordFileName);
        QString error;
        QVERIFY(!storePassword(password, &error, path));
        QVERIFY(!error.isEmpty());
        QCOMPARE(readBytes(passwordFileName), old);
        QCOMPARE(readBytes("blocker"), old);
        QCOMPARE(loadPassword(), QString("abc"));
    }

    // Until the modem has been sent the new password, the file it replaced
    // can be put back; the secret is readable by its owner alone.
    void journal()
    {
        WorkDir dir;
        const QByteArray abc("\"NqLoRu\"\r\n\x01\r\n");
        QVERIFY(writeBytes(passwordFileName, abc));
        QVERIFY(QFile::setPermissions(passwordFileName, QFile::ReadOwner | QFile::WriteOwner
                                                            | QFile::ReadGroup | QFile::ReadOther));
        QVERIFY(storePasswordJournaled("nueva1"));
        QCOMPARE(loadPassword(), QStringLiteral("nueva1"));
#ifdef Q_OS_UNIX
        for (const QString &file : {passwordFileName, passwordJournalPath()}) {
            QCOMPARE(QFileInfo(file).permissions() & ~(QFile::ReadUser | QFile::WriteUser),
                     QFile::ReadOwner | QFile::WriteOwner);
        }
#endif
        restorePreviousPassword();
        QCOMPARE(readBytes(passwordFileName), abc);
        QVERIFY(!QFileInfo::exists(passwordJournalPath()));
    }
};

QTEST_GUILESS_MAIN(TestPasswordStore)
#include "tst_passwordstore.moc"
