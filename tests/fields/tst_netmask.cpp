#include "fields/netmask.h"

#include "samples.h"

#include <QtTest>

// The masks the screens accept.

class TestNetmask : public QObject
{
    Q_OBJECT

private slots:
    void maskBytesAndPrefixMasks()
    {
        // A byte passes when its ones all come first: flipped, it is a run of ones from the right.
        for (int v = -1; v <= 256; ++v) {
            const int zeros = ~v & 0xFF;
            QCOMPARE(validMaskByte(QString::number(v)), v >= 0 && v <= 255 && (zeros & (zeros + 1)) == 0);
        }
        QVERIFY(validMaskByte("0255"));
        QVERIFY(!validMaskByte("65536")); // would wrap to 0
        QVERIFY(!validMaskByte(""));
        QVERIFY(!validMaskByte("2x5"));

        // Of every combination of mask bytes, and of 1 which is none, only the
        // 33 prefix masks pass, widest first, each with its count of host bits.
        const QStringList bytes{"0", "1", "128", "192", "224", "240", "248", "252", "254", "255"};
        QList<int> hostBits;
        for (const QString &a : bytes)
            for (const QString &b : bytes)
                for (const QString &c : bytes)
                    for (const QString &d : bytes)
                        if (validMask(MaskSource::Subscriber, {a, b, c, d}))
                            hostBits << hostBitCount({a, b, c, d});
        QList<int> prefixes;
        for (int n = 32; n >= 0; --n)
            prefixes << n;
        QCOMPARE(hostBits, prefixes);
    }

    // Without an EDC address the shape alone counts (the EDC is then never
    // read); with one, the mask must also end where the address's ones end.
    // The bad EDC octets would fit were they read as 0.
    void masks_data()
    {
        QTest::addColumn<QString>("mask");
        QTest::addColumn<QString>("edc");
        QTest::addColumn<bool>("valid");
        QTest::newRow("leading zeros") << "255.255.255.000" << "" << true;
        QTest::newRow("negative") << "255.255.255.-0" << "" << false;
        QTest::newRow("four digits") << "255.255.255.0000" << "" << false;
        const ServiceSettings d = defaultSettings();
        QTest::newRow("the defaults") << joinOctets(d.maskAddEDC) << joinOctets(d.ipAddEDC) << true;
        QTest::newRow("192.168.1.0 fits /24") << "255.255.255.0" << "192.168.1.0" << true;
        QTest::newRow("even host not /32") << "255.255.255.255" << "192.0.2.2" << false;
        QTest::newRow("/0 with an address") << "0.0.0.0" << "10.0.0.0" << false;
        QTest::newRow("bad shape, good fit") << "255.255.0.255" << "192.168.1.0" << false;
        QTest::newRow("EDC octet empty") << "255.255.255.0" << "10.0.1." << false;
        QTest::newRow("EDC octet 256") << "255.255.255.0" << "10.0.1.256" << false;
    }

    void masks()
    {
        QFETCH(QString, mask);
        QFETCH(QString, edc);
        QFETCH(bool, valid);
        if (!edc.isEmpty()) {
            QCOMPARE(validMask(MaskSource::EdcNetwork, quad(mask), quad(edc)), valid);
            return;
        }
        QCOMPARE(validMask(MaskSource::Subscriber, quad(mask), quad("junk")), valid);
    }
};

QTEST_GUILESS_MAIN(TestNetmask)
#include "tst_netmask.moc"
