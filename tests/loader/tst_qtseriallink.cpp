#include "loader/qtseriallink.h"

#include "modemsimprocess.h"
#include "workdir.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTest>

#include <sys/resource.h>

// The real serial link over a pseudo-terminal, with the modem simulator at
// the far end.
class TestQtSerialLink : public QObject
{
    Q_OBJECT
private slots:
    void echoReachesUsByteForByte_data();
    void echoReachesUsByteForByte();
    void reopenKeepsTalking();
    void simulatorTakesOverAStaleLink();
    void pulledCableIsReportedOnceAndClosesThePort();
    void openFailuresNameThePort_data();
    void openFailuresNameThePort();
    void secondOpenOfABusyPortFails();

private:
    static QByteArray collect(SerialLink &link, int expectedSize, int timeoutMs = 3000);
};

QByteArray TestQtSerialLink::collect(SerialLink &link, int expectedSize, int timeoutMs)
{
    QByteArray got;
    QElapsedTimer clock;
    clock.start();
    while (got.size() < expectedSize && clock.elapsed() < timeoutMs) {
        QTest::qWait(10);
        got += link.readAll();
    }
    return got;
}

void TestQtSerialLink::echoReachesUsByteForByte_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<QByteArray>("answer");

    QTest::newRow("crlf console") << QStringList{"--eol", "crlf"} << QByteArray("admin\r")
                                  << QByteArray("admin\r\nM1112>");
    QTest::newRow("lfcr console") << QStringList{"--eol", "lfcr"} << QByteArray("top\r")
                                  << QByteArray("top\n\rM1112>");
    // Every line cluttered: the NUL and the backspace must come through.
    QTest::newRow("NUL and backspace delivered")
        << QStringList{"--eol", "lf", "--noise", "100"} << QByteArray("conf\r")
        << QByteArray("conf\0#\b\nM1112>", 14);
    QTest::newRow("empty line") << QStringList{"--eol", "cr"} << QByteArray("\r")
                                << QByteArray("\rM1112>");
}

void TestQtSerialLink::echoReachesUsByteForByte()
{
    QFETCH(QStringList, options);
    QFETCH(QByteArray, sent);
    QFETCH(QByteArray, answer);

    WorkDir work;
    ModemSimProcess sim;
    QVERIFY(sim.start(options));

    QtSerialLink link;
    QString error = QStringLiteral("untouched");
    QVERIFY2(link.open(1, &error), qPrintable(error));
    QVERIFY(error.isEmpty());
    QVERIFY(link.isOpen());
    QVERIFY(link.readAll().isEmpty()); // nothing waits, and it does not block

    link.write(sent);
    QCOMPARE(collect(link, answer.size()), answer);
    link.close();
    QVERIFY(!link.isOpen());

    QVERIFY(sim.stop());
    QCOMPARE(readBytes(sim.recordPath()), sent);
    QVERIFY2(!QFileInfo(sim.link()).isSymLink(), "the simulator left its link behind");
}

void TestQtSerialLink::reopenKeepsTalking()
{
    WorkDir work;
    ModemSimProcess sim;
    QVERIFY(sim.start());

    QtSerialLink link;
    QString error;
    QVERIFY2(link.open(1, &error), qPrintable(error));
    link.write("one\r");
    QCOMPARE(collect(link, 11), QByteArray("one\r\nM1112>"));
    link.close();
    link.write("lost\r"); // a closed link sends nothing

    // Open on an open link closes and opens again.
    QVERIFY2(link.open(1, &error), qPrintable(error));
    QVERIFY2(link.open(1, &error), qPrintable(error));
    link.write("two\r");
    QCOMPARE(collect(link, 11), QByteArray("two\r\nM1112>"));
    QVERIFY(sim.stop());
    QCOMPARE(readBytes(sim.recordPath()), QByteArray("one\rtwo\r"));
}

void TestQtSerialLink::simulatorTakesOverAStaleLink()
{
    WorkDir work;
    // What a killed simulator leaves behind.
    QVERIFY(QFile::link(QStringLiteral("/dev/pts/nonexistent"), QStringLiteral("com1")));
    ModemSimProcess sim;
    QVERIFY(sim.start());
    QVERIFY(QFileInfo(QStringLiteral("com1")).symLinkTarget() != QStringLiteral("/dev/pts/nonexistent"));

    QtSerialLink link;
    QString error;
    QVERIFY2(link.open(1, &error), qPrintable(error));
    link.write("top\r");
    QCOMPARE(collect(link, 11), QByteArray("top\r\nM1112>"));
}

void TestQtSerialLink::pulledCableIsReportedOnceAndClosesThePort()
{
    WorkDir work;
    ModemSimProcess sim;
    QVERIFY(sim.start());

    QtSerialLink link;
    QSignalSpy lost(&link, &SerialLink::lost);
    QString error;
    QVERIFY2(link.open(1, &error), qPrintable(error));
    link.write("restart\r");
    QCOMPARE(collect(link, 15), QByteArray("restart\r\nM1112>"));

    sim.kill();
    QTRY_COMPARE_WITH_TIMEOUT(lost.size(), 1, 3000);
    QVERIFY(!link.isOpen());
    const QString message = lost.first().first().toString();
    QVERIFY2(message.startsWith(QStringLiteral("El puerto com1 (/dev/"))
                 && message.endsWith(QStringLiteral(") se ha desconectado: compruebe el cable y el adaptador del puerto serie.")),
             qPrintable(message));

    // No second report and no busy loop on the dead device.
    rusage before {};
    getrusage(RUSAGE_SELF, &before);
    QTest::qWait(500);
    rusage after {};
    getrusage(RUSAGE_SELF, &after);
    const double cpu = (after.ru_utime.tv_sec - before.ru_utime.tv_sec)
        + (after.ru_utime.tv_usec - before.ru_utime.tv_usec) / 1e6
        + (after.ru_stime.tv_sec - before.ru_stime.tv_sec)
        + (after.ru_stime.tv_usec - before.ru_stime.tv_usec) / 1e6;
    QCOMPARE(lost.size(), 1);
    QVERIFY2(cpu < 0.25, qPrintable(QStringLiteral("%1 s of CPU in 0.5 s after the loss").arg(cpu)));

    link.write("more\r");
    QVERIFY(link.readAll().isEmpty());
    link.close();
    QCOMPARE(lost.size(), 1);

    // The dangling link now names a port that is gone.
    QVERIFY(!link.open(1, &error));
    QVERIFY2(error.startsWith(QStringLiteral("No se ha podido abrir el puerto com1 (/dev/")), qPrintable(error));
}

void TestQtSerialLink::openFailuresNameThePort_data()
{
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("linkTarget");
    QTest::addColumn<QString>("message");

    QTest::newRow("no such device")
        << 7 << "/nonexistent/ttyUSB9"
        << QStringLiteral("No se ha podido abrir el puerto com7 (/nonexistent/ttyUSB9): el puerto no existe.");
    QTest::newRow("not a serial device")
        << 2 << "/dev/null"
        << QStringLiteral("No se ha podido abrir el puerto com2 (/dev/null): el dispositivo no es un puerto "
                          "serie o no admite 9600 baudios, sin paridad, 8 bits de datos y 1 bit de parada.");
    QTest::newRow("port zero") << 0 << ""
                               << QStringLiteral("No se ha podido abrir el puerto com0: el número de puerto no es válido.");
    QTest::newRow("negative port") << -3 << ""
                                   << QStringLiteral("No se ha podido abrir el puerto com-3: el número de puerto no es válido.");
}

void TestQtSerialLink::openFailuresNameThePort()
{
    QFETCH(int, port);
    QFETCH(QString, linkTarget);
    QFETCH(QString, message);

    WorkDir work;
    if (!linkTarget.isEmpty())
        QVERIFY(QFile::link(linkTarget, QStringLiteral("com%1").arg(port)));
    QtSerialLink link;
    QSignalSpy lost(&link, &SerialLink::lost);
    QString error;
    QVERIFY(!link.open(port, &error));
    QCOMPARE(error, message);
    QVERIFY(!link.isOpen());
    link.write("x\r");
    QVERIFY(link.readAll().isEmpty());
    QCOMPARE(lost.size(), 0);
}

void TestQtSerialLink::secondOpenOfABusyPortFails()
{
    WorkDir work;
    ModemSimProcess sim;
    QVERIFY(sim.start());

    QtSerialLink first;
    QtSerialLink second;
    QString error;
    QVERIFY2(first.open(1, &error), qPrintable(error));
    QVERIFY(!second.open(1, &error));
    QVERIFY2(error.startsWith(QStringLiteral("No se ha podido abrir el puerto com1 (/dev/"))
                 && error.endsWith(QStringLiteral(": el puerto está ocupado por otro programa o no hay permiso para usarlo.")),
             qPrintable(error));

    // The first one is undisturbed.
    first.write("top\r");
    QCOMPARE(collect(first, 11), QByteArray("top\r\nM1112>"));
}

QTEST_GUILESS_MAIN(TestQtSerialLink)
#include "tst_qtseriallink.moc"
