#include "fields/netmask.h"
#include "settings/servicesettings.h"
#include "shell/deployment.h"

#include "workdir.h"

#include <QFileInfo>
#include <QtTest>

namespace {

QByteArray crlf(const QList<QByteArray> &lines) { return lines.join("\r\n") + "\r\n"; }

const QList<QByteArray> sampleLines = {" 2", "10", "0", "1", "0", "255", "255", "255", "0",
                                       "80", "58", "0", "33", "8", "32", "9", "9"};

ServiceSettings sample()
{
    return {2, {"10", "0", "1", "0"}, {"255", "255", "255", "0"}, {"80", "58", "0", "33"},
            "8", "32", "9", "9"};
}

QList<QByteArray> with(qsizetype line, const QByteArray &value)
{
    QList<QByteArray> lines = sampleLines;
    lines[line] = value;
    return lines;
}

} // namespace

class TestServiceSettings : public QObject
{
    Q_OBJECT

private slots:
    void missingFileGivesSavableDefaults();
    void roundTrip_data();
    void roundTrip();
    void readsFiles_data();
    void readsFiles();
    void refusedWriteKeepsOldFile_data();
    void refusedWriteKeepsOldFile();
};

void TestServiceSettings::missingFileGivesSavableDefaults()
{
    WorkDir dir;
    const ServiceSettings d = loadSettings();
    QCOMPARE(d, defaultSettings());
    QVERIFY(!QFileInfo::exists(settingsFileName));
    QVERIFY(validMask(0, d.maskAddEDC, d)); // saved unchanged without a complaint
}

void TestServiceSettings::roundTrip_data()
{
    QTest::addColumn<ServiceSettings>("settings");
    QTest::addColumn<QByteArray>("bytes");

    QList<QByteArray> defaults{" 1"};
    for (const char *octet : deployment::defaultEdcAddress)
        defaults << octet;
    defaults << "255" << "255" << "255" << "255";
    for (const char *octet : deployment::defaultDnsAddress)
        defaults << octet;
    defaults << "8" << "32" << "9" << "9";
    QTest::newRow("defaults") << defaultSettings() << crlf(defaults);
    QTest::newRow("sample") << sample() << crlf(sampleLines);

    ServiceSettings odd = sample();
    odd.comPort = 14;
    odd.ipAddEDC = {"010", "000", "1", "0"};
    odd.maxSize = "12";
    QList<QByteArray> lines = with(0, " 14");
    lines[1] = "010";
    lines[2] = "000";
    lines[16] = "12";
    QTest::newRow("port 14, leading zeros kept") << odd << crlf(lines);
}

void TestServiceSettings::roundTrip()
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

void TestServiceSettings::readsFiles_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<ServiceSettings>("expected");

    const ServiceSettings s = sample();
    ServiceSettings port14 = s;
    port14.comPort = 14;
    ServiceSettings emptyVci = s;
    emptyVci.vciValue = "";
    QList<QByteArray> sixteen = sampleLines;
    sixteen.removeLast();

    QTest::newRow("port without blank") << crlf(with(0, "2")) << s;
    QTest::newRow("port 14") << crlf(with(0, " 14")) << port14;
    QTest::newRow("commas") << QByteArray(" 2,10,0,1,0,255,255,255,0,80,58,0,33,8,32,9,9\r\n") << s;
    QTest::newRow("lines after the 17th") << crlf(sampleLines + QList<QByteArray>{"junk"}) << s;
    QTest::newRow("empty line is an empty value") << crlf(with(13, "")) << emptyVci;
    QTest::newRow("16 lines") << crlf(sixteen) << defaultSettings();
    QTest::newRow("port not a number") << crlf(with(0, "com2")) << defaultSettings();
    QTest::newRow("port beyond 16 bits") << crlf(with(0, " 99999")) << defaultSettings();
}

void TestServiceSettings::readsFiles()
{
    QFETCH(QByteArray, bytes);
    QFETCH(ServiceSettings, expected);
    QCOMPARE(parseSettings(bytes), expected);
}

void TestServiceSettings::refusedWriteKeepsOldFile_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("vci");
    QTest::newRow("folder in the way") << "folder" << "8";
    QTest::newRow("parent is a file") << "blocker/conf_gen.dat" << "8";
    QTest::newRow("comma") << settingsFileName << "8,5";
    QTest::newRow("line break") << settingsFileName << "8\r\n9";
    QTest::newRow("quote") << settingsFileName << "\"8\"";
    QTest::newRow("beyond Latin-1") << settingsFileName << QString(QChar(0x20AC));
}

void TestServiceSettings::refusedWriteKeepsOldFile()
{
    QFETCH(QString, path);
    QFETCH(QString, vci);
    WorkDir dir;
    const QByteArray old = crlf(sampleLines);
    QVERIFY(writeBytes(settingsFileName, old) && writeBytes("blocker", old));
    QVERIFY(QDir().mkdir("folder")); // a folder cannot be replaced by a file, even as root
    ServiceSettings s = defaultSettings();
    s.vciValue = vci;
    QString error;
    QVERIFY(!storeSettings(s, &error, path));
    QVERIFY(!error.isEmpty());
    QCOMPARE(readBytes(settingsFileName), old);
    QCOMPARE(readBytes("blocker"), old);
    QVERIFY(QFileInfo("folder").isDir());
}

QTEST_GUILESS_MAIN(TestServiceSettings)
#include "tst_servicesettings.moc"
