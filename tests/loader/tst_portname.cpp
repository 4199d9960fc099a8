#include "loader/portname.h"

#include "workdir.h"

#include <QFile>
#include <QTest>

// How a port number becomes a device, with and without a comN entry in the
// working folder.
class TestPortName : public QObject
{
    Q_OBJECT
private slots:
    void naming_data()
    {
        QTest::addColumn<int>("port");
        QTest::addColumn<QStringList>("entry"); // {"link", target} or {"file"}, made as comN
        QTest::addColumn<QString>("expected");  // "@" stands for the working folder
        QTest::addColumn<QString>("shown");     // beside the selector; empty: depends on the machine

#ifdef Q_OS_WIN
        QTest::newRow("windows") << 3 << QStringList() << "COM3" << "";
#else
        QTest::newRow("first port") << 1 << QStringList() << "/dev/ttyS0" << "";
        QTest::newRow("beyond the ports there are") << 300 << QStringList() << "/dev/ttyS299"
                                                    << "com300 → /dev/ttyS299 (no existe)";
        QTest::newRow("link to a device") << 2 << QStringList{"link", "/dev/null"} << "/dev/null"
                                          << "com2 → /dev/null";
        QTest::newRow("dangling link keeps its target")
            << 3 << QStringList{"link", "/nonexistent/pts/9"} << "/nonexistent/pts/9"
            << "com3 → /nonexistent/pts/9 (no existe)";
        QTest::newRow("link to a link ends at the device")
            << 5 << QStringList{"link", "@/adapter"} << "/dev/null" << "com5 → /dev/null";
        QTest::newRow("plain file in the folder") << 4 << QStringList{"file"} << "@/com4" << "com4 → @/com4";
#endif
        QTest::newRow("zero names no port") << 0 << QStringList() << "" << "";
        QTest::newRow("negative names no port") << -1 << QStringList() << "" << "";
    }

    void naming()
    {
        QFETCH(int, port);
        QFETCH(QStringList, entry);
        QFETCH(QString, expected);
        QFETCH(QString, shown);

        WorkDir work;
        const QString here = QFileInfo(work.path()).canonicalFilePath();
        const QString name = QStringLiteral("com%1").arg(port);
        QVERIFY(QFile::link(QStringLiteral("/dev/null"), QStringLiteral("adapter")));
        if (entry.value(0) == u"link")
            QVERIFY(QFile::link(entry[1].replace(u'@', here), name));
        else if (entry.value(0) == u"file")
            QVERIFY(writeBytes(name, QByteArray()));
        QCOMPARE(serialPortName(port), expected.replace(u'@', here));
        if (!shown.isEmpty())
            QCOMPARE(portDeviceText(port), shown.replace(u'@', here));
        // Another number is not affected by this entry.
        if (port >= 1 && !entry.isEmpty())
            QCOMPARE(serialPortName(port + 20), QStringLiteral("/dev/ttyS%1").arg(port + 19));
    }

    void selectorText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("port"); // 0: names no port
        QTest::newRow("listed") << "com1" << 1;
        QTest::newRow("upper case") << "COM14" << 14;
        QTest::newRow("above the list") << "com21" << 21;
        QTest::newRow("largest") << "com32767" << 32767;
        for (const char *text : {"com0", "com", "com 5", " com5", "com5 ", "x", "com-1", "com+1", "com1a",
                                 "com32768", "com\u0663", "ttyS0", ""})
            QTest::newRow(text) << QString::fromUtf8(text) << 0;
    }
    void selectorText()
    {
        QFETCH(QString, text);
        QFETCH(int, port);
        QCOMPARE(portNumberOf(text).value_or(0), port);
    }
};

QTEST_GUILESS_MAIN(TestPortName)
#include "tst_portname.moc"
