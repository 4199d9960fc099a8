#include "fields/netmask.h"
#include "settings/servicesettings.h"

#include <QtTest>

namespace {

Octets quad(const QString &dotted)
{
    const QStringList parts = dotted.split(u'.');
    return {parts.value(0), parts.value(1), parts.value(2), parts.value(3)};
}

ServiceSettings withEdc(const QString &address)
{
    ServiceSettings s = defaultSettings();
    s.ipAddEDC = quad(address);
    return s;
}

} // namespace

class TestNetmask : public QObject
{
    Q_OBJECT

private slots:
    void maskBytes();
    void exactlyThePrefixMasksPass();
    void masks_data();
    void masks();
};

void TestNetmask::maskBytes()
{
    const QSet<int> valid{0, 128, 192, 224, 240, 248, 252, 254, 255};
    for (int v = -1; v <= 256; ++v)
        QCOMPARE(validMaskByte(QString::number(v)), valid.contains(v));
    QVERIFY(validMaskByte("0255"));
    QVERIFY(!validMaskByte(""));
    QVERIFY(!validMaskByte("2x5"));
}

void TestNetmask::exactlyThePrefixMasksPass()
{
    for (int n = 0; n <= 32; ++n) {
        const quint32 v = n == 0 ? 0 : ~quint32(0) << (32 - n);
        const Octets mask{QString::number(v >> 24), QString::number((v >> 16) & 0xFF),
                          QString::number((v >> 8) & 0xFF), QString::number(v & 0xFF)};
        QVERIFY2(validMask(1, mask, defaultSettings()), qPrintable(joinOctets(mask)));
        QCOMPARE(hostBitCount(mask), 32 - n);
    }
    // Of every combination of mask bytes only those 33 are accepted.
    const QStringList bytes{"0", "128", "192", "224", "240", "248", "252", "254", "255"};
    int accepted = 0;
    for (const QString &a : bytes)
        for (const QString &b : bytes)
            for (const QString &c : bytes)
                for (const QString &d : bytes)
                    accepted += validMask(1, {a, b, c, d}, defaultSettings()) ? 1 : 0;
    QCOMPARE(accepted, 33);
}

// Without an EDC address the shape alone counts (the EDC is then never
// read); with one, the mask must also end where the address's ones end.
void TestNetmask::masks_data()
{
    QTest::addColumn<QString>("mask");
    QTest::addColumn<QString>("edc");
    QTest::addColumn<bool>("valid");
    QTest::newRow("leading zeros") << "255.255.255.000" << "" << true;
    QTest::newRow("255.255.255.1") << "255.255.255.1" << "" << false;
    QTest::newRow("7.0.0.0") << "7.0.0.0" << "" << false;
    QTest::newRow("255.127.0.0") << "255.127.0.0" << "" << false;
    QTest::newRow("empty octet") << "255.255.255." << "" << false;
    QTest::newRow("letters") << "255.255.ff.0" << "" << false;
    QTest::newRow("out of range") << "255.255.255.256" << "" << false;
    QTest::newRow("beyond 16 bits") << "255.255.255.65536" << "" << false;
    QTest::newRow("negative") << "255.255.255.-0" << "" << false;
    QTest::newRow("four digits") << "255.255.255.0000" << "" << false;
    QTest::newRow("192.168.1.0 fits /24") << "255.255.255.0" << "192.168.1.0" << true;
    QTest::newRow("192.168.2.0 does not") << "255.255.255.0" << "192.168.2.0" << false;
    QTest::newRow("10.0.1.5 does not") << "255.255.255.0" << "10.0.1.5" << false;
    QTest::newRow("odd host fits /32") << "255.255.255.255" << "192.0.2.1" << true;
    QTest::newRow("even host not /32") << "255.255.255.255" << "192.0.2.2" << false;
    QTest::newRow("/0 only with 0.0.0.0") << "0.0.0.0" << "0.0.0.0" << true;
    QTest::newRow("/0 with an address") << "0.0.0.0" << "10.0.0.0" << false;
    QTest::newRow("bad shape, good fit") << "255.255.0.255" << "192.168.1.0" << false;
    QTest::newRow("EDC octet empty") << "255.255.255.0" << "10.0..0" << false;
    QTest::newRow("EDC octet junk") << "255.255.255.0" << "10.0.1x.0" << false;
    QTest::newRow("EDC octet 256") << "255.255.255.0" << "10.0.256.0" << false;
}

void TestNetmask::masks()
{
    QFETCH(QString, mask);
    QFETCH(QString, edc);
    QFETCH(bool, valid);
    if (!edc.isEmpty()) {
        QCOMPARE(validMask(0, quad(mask), withEdc(edc)), valid);
        return;
    }
    QCOMPARE(validMask(1, quad(mask), defaultSettings()), valid);
    QCOMPARE(validMask(7, quad(mask), withEdc("junk")), valid);
}

QTEST_GUILESS_MAIN(TestNetmask)
#include "tst_netmask.moc"
