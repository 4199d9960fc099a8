#include "fields/netmask.h"
#include "settings/servicesettings.h"
#include "shell/deployment.h"

#include "workdir.h"

#include <QFileInfo>
#include <QtTest>

namespace {

const QList<QByteArray> sampleLines = {" 2", "10", "0", "1", "0", "255", "255", "255", "0",
                                       "80", "58", "0", "33", "8", "32", "9", "9"};
const ServiceSettings sample{2, {"10", "0", "1", "0"}, {"255", "255", "255", "0"},
                             {"80", "58", "0", "33"}, "8", "32", "9", "9"};

// The sample file with some lines replaced, CR LF after each.
QByteArray file(const QMap<int, QByteArray> &changes = {})
{
    QList<QByteArray> lines = sampleLines;
    for (auto it = changes.begin(); it != changes.end(); ++it)
        lines[it.key()] = it.value();
    return lines.join("\r\n") + "\r\n";
}

} // namespace

class TestServiceSettings : public QObject
{
    Q_OBJECT

private slots:
    void missingFileGivesSavableDefaults()
    {
        WorkDir dir;
        const ServiceSettings d = loadSettings();
        QCOMPARE(d, defaultSettings());
        QVERIFY(!QFileInfo::exists(settingsFileName));
        QVERIFY(validMask(0, d.maskAddEDC, d)); // saved unchanged without a complaint
    }

    void roundTrip_data()
    {
        QTest::addColumn<ServiceSettings>("settings");
        QTest::addColumn<QByteArray>("bytes");
        const auto lines = [](const char *const octets[4]) { return QByteArrayList(octets, octets + 4).join("\r\n"); };
        QTest::newRow("defaults") << defaultSettings()
                                  << " 1\r\n" + lines(deployment::defaultEdcAddress) + "\r\n255\r\n255\r\n255\r\n255\r\n"
                                         + lines(deployment::defaultDnsAddress) + "\r\n8\r\n32\r\n9\r\n9\r\n";
        QTest::newRow("sample") << sample << file();
        ServiceSettings odd = sample;
        odd.comPort = 14;
        odd.ipAddEDC = {"010", "000", "1", "0"};
        odd.maxSize = "12";
        QTest::newRow("port 14, leading zeros kept") << odd << file({{0, " 14"}, {1, "010"}, {2, "000"}, {16, "12"}});
    }
    void roundTrip()
    {
        QFETCH(ServiceSettings, settings);
        QFETCH(QByteArray, bytes);
        WorkDir dir;
        QString error;
        QVERIFY(storeSettings(settings, &error));
        QVERIFY(error.isEmpty());
        QCOMPARE(readBytes(settingsFileName), bytes);
        QCOMPARE(loadSettings(), settings);
    }

    void readsFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<ServiceSettings>("expected");
        ServiceSettings port14 = sample, emptyVci = sample;
        port14.comPort = 14;
        emptyVci.vciValue = "";
        QTest::newRow("port 14") << file({{0, " 14"}}) << port14;
        QTest::newRow("lines after the 17th") << file() + "junk\r\n" << sample;
        QTest::newRow("empty line is an empty value") << file({{13, ""}}) << emptyVci;
        QTest::newRow("16 lines") << file().chopped(3) << defaultSettings();
        QTest::newRow("port not a number") << file({{0, "com2"}}) << defaultSettings();
        QTest::newRow("port beyond 16 bits") << file({{0, " 99999"}}) << defaultSettings();
    }
    void readsFiles()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(ServiceSettings, expected);
        QCOMPARE(parseSettings(bytes), expected);
    }

    // Texts the file could not hold back; a failed write is the settings
    // screen's and the text file's.
    void refusedWriteKeepsOldFile_data()
    {
        QTest::addColumn<QString>("vci");
        QTest::newRow("comma") << "8,5";
        QTest::newRow("line break") << "8\r\n9";
        QTest::newRow("quote") << "\"8\"";
        QTest::newRow("surrounding blank") << "8\t";
        QTest::newRow("beyond Latin-1") << QString(QChar(0x20AC));
    }
    void refusedWriteKeepsOldFile()
    {
        QFETCH(QString, vci);
        WorkDir dir;
        QVERIFY(writeBytes(settingsFileName, file()));
        ServiceSettings s = defaultSettings();
        s.vciValue = vci;
        QString error;
        QVERIFY(!storeSettings(s, &error));
        QVERIFY(!error.isEmpty());
        QCOMPARE(readBytes(settingsFileName), file());
    }
};

QTEST_GUILESS_MAIN(TestServiceSettings)
#include "tst_servicesettings.moc"
