#include "loader/portname.h"

#include "workdir.h"

#include <QFile>
#include <QTest>

// How a port number becomes a device, with and without comN entries in the
// working folder.
class TestPortName : public QObject
{
    Q_OBJECT
private slots:
    void naming_data();
    void naming();
    void chainedLinkResolvesToTheDevice();
};

void TestPortName::naming_data()
{
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("entry");  // what stands at comN: "", "link:<target>", "file"
    QTest::addColumn<QString>("expected"); // "@" stands for the working folder

#ifdef Q_OS_WIN
    QTest::newRow("windows") << 3 << "" << "COM3";
#else
    QTest::newRow("first port") << 1 << "" << "/dev/ttyS0";
    QTest::newRow("last port of the settings") << 14 << "" << "/dev/ttyS13";
    QTest::newRow("link to a device") << 2 << "link:/dev/null" << "/dev/null";
    QTest::newRow("dangling link keeps its target") << 3 << "link:/nonexistent/pts/9"
                                                    << "/nonexistent/pts/9";
    QTest::newRow("plain file in the folder") << 4 << "file" << "@/com4";
#endif
    QTest::newRow("zero names no port") << 0 << "" << "";
    QTest::newRow("negative names no port") << -1 << "" << "";
}

void TestPortName::naming()
{
    QFETCH(int, port);
    QFETCH(QString, entry);
    QFETCH(QString, expected);

    WorkDir work;
    const QString name = QStringLiteral("com%1").arg(port);
    if (entry.startsWith(QLatin1String("link:")))
        QVERIFY(QFile::link(entry.mid(5), name));
    else if (entry == QLatin1String("file"))
        QVERIFY(writeBytes(name, QByteArray()));
    expected.replace(QLatin1String("@"), QFileInfo(work.path()).canonicalFilePath());

    QCOMPARE(serialPortName(port), expected);
    // Another number is not affected by this entry.
    if (port >= 1 && !entry.isEmpty())
        QCOMPARE(serialPortName(port + 20), QStringLiteral("/dev/ttyS%1").arg(port + 19));
}

void TestPortName::chainedLinkResolvesToTheDevice()
{
#ifndef Q_OS_WIN
    WorkDir work;
    QVERIFY(QFile::link(QStringLiteral("/dev/null"), QStringLiteral("adapter")));
    QVERIFY(QFile::link(work.file(QStringLiteral("adapter")), QStringLiteral("com5")));
    QCOMPARE(serialPortName(5), QStringLiteral("/dev/null"));
#endif
}

QTEST_GUILESS_MAIN(TestPortName)
#include "tst_portname.moc"
