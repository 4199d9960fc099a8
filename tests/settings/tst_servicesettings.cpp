#include "settings/servicesettings.h"
#include "shell/deployment.h"

#include "workdir.h"

#include <QFileInfo>
#include <QtTest>

namespace {

QByteArray crlf(const QList<QByteArray> &lines)
{
    QByteArray out;
    for (const QByteArray &line : lines)
        out += line + "\r\n";
    return out;
}

const QList<QByteArray> sampleLines = {" 2", "10", "0", "1", "0", "255", "255", "255", "0",
                                       "80", "58", "0", "33", "8", "32", "9", "9"};

ServiceSettings sample()
{
    ServiceSettings s;
    s.comPort = 2;
    s.ipAddEDC = {"10", "0", "1", "0"};
    s.maskAddEDC = {"255", "255", "255", "0"};
    s.ipAddDNS = {"80", "58", "0", "33"};
    s.vciValue = "8";
    s.vpiValue = "32";
    s.minSize = "9";
    s.maxSize = "9";
    return s;
}

} // namespace

class TestServiceSettings : public QObject
{
    Q_OBJECT

private slots:
    void defaults();
    void writesSeventeenLines();
    void readsFiles_data();
    void readsFiles();
    void roundTrip_data();
    void roundTrip();
    void missingFileGivesDefaultsAndIsNotCreated();
    void failedWriteKeepsOldFile();
    void refusesTextsTheFileCannotHold_data();
    void refusesTextsTheFileCannotHold();
};

void TestServiceSettings::defaults()
{
    const ServiceSettings d = defaultSettings();
    QCOMPARE(d.comPort, 1);
    QCOMPARE(d.ipAddEDC, makeOctets(deployment::defaultEdcAddress));
    QCOMPARE(d.maskAddEDC, Octets({"255", "255", "255", "255"}));
    QCOMPARE(d.ipAddDNS, makeOctets(deployment::defaultDnsAddress));
    QCOMPARE(d.vciValue, QString("8"));
    QCOMPARE(d.vpiValue, QString("32"));
    QCOMPARE(d.minSize, QString("9"));
    QCOMPARE(d.maxSize, QString("9"));
    // The defaults must be savable unchanged: the EDC address fits 255.255.255.255.
    QVERIFY(d.ipAddEDC[3].toInt() % 2 == 1);
}

void TestServiceSettings::writesSeventeenLines()
{
    QCOMPARE(settingsFileBytes(sample()), crlf(sampleLines));
    ServiceSettings port14 = sample();
    port14.comPort = 14;
    QVERIFY(settingsFileBytes(port14).startsWith(" 14\r\n10\r\n"));
}

void TestServiceSettings::readsFiles_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<ServiceSettings>("expected");

    const ServiceSettings s = sample();
    ServiceSettings port = s;

    QTest::newRow("as written") << crlf(sampleLines) << s;

    QList<QByteArray> lines = sampleLines;
    lines[0] = "2";
    QTest::newRow("port without blank") << crlf(lines) << s;

    lines[0] = " 14";
    port.comPort = 14;
    QTest::newRow("port 14") << crlf(lines) << port;

    QTest::newRow("commas") << QByteArray(" 2,10,0,1,0,255,255,255,0,80,58,0,33,8,32,9,9\r\n") << s;
    QTest::newRow("bare line feeds") << QByteArray(sampleLines.join('\n')) << s;
    QTest::newRow("no final break") << QByteArray(sampleLines.join("\r\n")) << s;

    lines = sampleLines;
    lines << "junk" << "more junk";
    QTest::newRow("lines after the 17th") << crlf(lines) << s;

    lines = sampleLines;
    lines.removeLast();
    QTest::newRow("16 lines") << crlf(lines) << defaultSettings();
    QTest::newRow("empty") << QByteArray() << defaultSettings();

    lines = sampleLines;
    lines[0] = "com2";
    QTest::newRow("port not a number") << crlf(lines) << defaultSettings();
    lines[0] = " 99999";
    QTest::newRow("port out of range") << crlf(lines) << defaultSettings();

    lines = sampleLines;
    lines[13] = "";
    ServiceSettings emptyVci = s;
    emptyVci.vciValue = "";
    QTest::newRow("empty line is an empty value") << crlf(lines) << emptyVci;

    QTest::newRow("binary junk") << QByteArray("\x01\xff\x00\x7f", 4) << defaultSettings();
}

void TestServiceSettings::readsFiles()
{
    QFETCH(QByteArray, bytes);
    QFETCH(ServiceSettings, expected);
    QCOMPARE(parseSettings(bytes), expected);
}

void TestServiceSettings::roundTrip_data()
{
    QTest::addColumn<ServiceSettings>("settings");
    QTest::newRow("defaults") << defaultSettings();
    QTest::newRow("sample") << sample();
    ServiceSettings odd = sample();
    odd.comPort = 14;
    odd.ipAddEDC = {"010", "000", "1", "0"}; // leading zeros kept as typed
    odd.maxSize = "12";
    QTest::newRow("leading zeros, port 14") << odd;
}

void TestServiceSettings::roundTrip()
{
    QFETCH(ServiceSettings, settings);
    WorkDir dir;
    QString error;
    QVERIFY(storeSettings(settings, &error));
    QVERIFY(error.isEmpty());
    QCOMPARE(readBytes(settingsFileName), settingsFileBytes(settings));
    QCOMPARE(loadSettings(), settings);
}

void TestServiceSettings::missingFileGivesDefaultsAndIsNotCreated()
{
    WorkDir dir;
    QCOMPARE(loadSettings(), defaultSettings());
    QVERIFY(!QFileInfo::exists(settingsFileName));
}

void TestServiceSettings::failedWriteKeepsOldFile()
{
    WorkDir dir;
    // A folder named like the file cannot be replaced by it, even as root.
    QVERIFY(QDir().mkdir(settingsFileName));
    QString error;
    QVERIFY(!storeSettings(sample(), &error));
    QVERIFY(error.contains(settingsFileName));
    QVERIFY(QFileInfo(settingsFileName).isDir());

    // A parent that is a plain file: nothing can be written under it.
    const QByteArray old = crlf(sampleLines);
    QVERIFY(writeBytes("blocker", old));
    error.clear();
    QVERIFY(!storeSettings(defaultSettings(), &error, "blocker/conf_gen.dat"));
    QVERIFY(!error.isEmpty());
    QCOMPARE(readBytes("blocker"), old);
}

void TestServiceSettings::refusesTextsTheFileCannotHold_data()
{
    QTest::addColumn<QString>("vci");
    QTest::newRow("comma") << "8,5";
    QTest::newRow("line break") << "8\r\n9";
    QTest::newRow("quote") << "\"8\"";
    QTest::newRow("beyond Latin-1") << QString(QChar(0x20AC));
}

void TestServiceSettings::refusesTextsTheFileCannotHold()
{
    QFETCH(QString, vci);
    WorkDir dir;
    const QByteArray old = crlf(sampleLines);
    QVERIFY(writeBytes(settingsFileName, old));
    ServiceSettings s = sample();
    s.vciValue = vci;
    QString error;
    QVERIFY(!storeSettings(s, &error));
    QVERIFY(!error.isEmpty());
    QCOMPARE(readBytes(settingsFileName), old);
}

QTEST_GUILESS_MAIN(TestServiceSettings)
#include "tst_servicesettings.moc"
