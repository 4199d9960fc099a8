#include "shell/deployment.h"

#include "samples.h"
#include "workdir.h"

#include <QtTest>

// conf_gen.dat read and written, and the port a selector text names.

class TestServiceSettings : public QObject
{
    Q_OBJECT

private slots:
    // Each file reads as the settings; the rows "written" are also what
    // storing those settings writes.
    void settingsFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<ServiceSettings>("settings");
        QTest::addColumn<bool>("written");
        const auto lines = [](const char *const octets[4]) {
            return QByteArrayList(octets, octets + 4).join("\r\n") + "\r\n";
        };
        const QByteArray defaults = " 1\r\n" + lines(deployment::defaultEdcAddress) + "255\r\n255\r\n255\r\n"
                                    + "255\r\n" + lines(deployment::defaultDnsAddress) + "8\r\n32\r\n9\r\n9\r\n";
        QTest::newRow("defaults") << defaults << defaultSettings() << true;
        ServiceSettings odd = sample, emptyVci = sample;
        odd.comPort = 14;
        odd.ipAddEDC = {"010", "000", "1", "0"};
        odd.maxSize = "12";
        emptyVci.vciValue = "";
        QTest::newRow("port 14, leading zeros kept")
            << settingsFile({{0, " 14"}, {1, "010"}, {2, "000"}, {16, "12"}}) << odd << true;
        QTest::newRow("empty line is an empty value") << settingsFile({{13, ""}}) << emptyVci << true;
        QTest::newRow("lines after the 17th") << settingsFile() + "junk\r\n" << sample << false;
        QTest::newRow("16 lines") << settingsFile().chopped(3) << defaultSettings() << false;
        QTest::newRow("port not a number") << settingsFile({{0, "com2"}}) << defaultSettings() << false;
        QTest::newRow("port beyond 16 bits") << settingsFile({{0, " 99999"}}) << defaultSettings() << false;
    }
    void settingsFiles()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(ServiceSettings, settings);
        QFETCH(bool, written);
        QCOMPARE(parseSettings(bytes), settings);
        if (!written)
            return;
        WorkDir dir;
        QCOMPARE(loadSettings(), defaultSettings()); // no file yet, and none made
        QVERIFY(!QFileInfo::exists(settingsFileName));
        QString error;
        QVERIFY(storeSettings(settings, &error));
        QCOMPARE(readBytes(settingsFileName), bytes);
        QCOMPARE(loadSettings(), settings);
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

QTEST_GUILESS_MAIN(TestServiceSettings)
#include "tst_servicesettings.moc"
