#include "builder/configscript.h"
#include "fields/netmask.h"
#include "settings/servicesettings.h"
#include "shell/deployment.h"

#include <QtTest>

// The masks the screens accept, and the modem scripts built from their addresses.

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

ServiceSettings settings()
{
    ServiceSettings s = withEdc("10.0.1.0");
    s.maskAddEDC = quad("255.255.255.0"); // the script's host-acl mask is fixed
    s.ipAddDNS = quad("80.58.0.33");
    return s;
}

// Typed with leading zeros, which derived addresses drop and typed ones keep;
// the modem's address is not its network's first, which the route is.
SubscriberConfig subscriber()
{
    return {.userPhoneNumValue = "0981234567",
            .userIpAdd = quad("192.168.001.034"),
            .userMaskAdd = quad("255.255.255.248"),
            .modEtherIpAdd = quad("172.26.0.14"),
            .modEtherMaskAdd = quad("255.255.255.240")};
}

// One source line per command mode of the modem's console.
const QStringList dhcpScript = {
    "restore config default", "restart", "admin", "*****", "conf",
    "sys", "hostname 0981234567",
    "eth", "no bridg", "no ip address", "ip addr 192.168.1.33 255.255.255.248", "top",
    "vcc1", "no pvc", "pvc 8 32 ip-llc", "no ip address", "no bridg",
    "ip address 172.26.0.14 255.255.255.240", "no ip napt", "top",
    "comm", "no ip route 0.0.0.0 vcc1", "ip route 0.0.0.0 0.0.0.0 172.26.0.1 vcc1",
    "dhcp address 1 192.168.001.034 255.255.255.248 1", "dhcp mode server",
    "dhcp gateway 1 192.168.1.33", "dhcp dns 1 pri 80.58.0.33",
    "dhcp domain-name 1 " + deployment::dhcpDomainName, "top",
    "quit", "save conf start", "restart"};

const QStringList naptScript = {
    "restore config default", "restart", "admin", "*****", "conf",
    "sys", "hostname 0981234567", "top",
    "eth", "no bridg", "no ip address", "ip addr 172.26.0.14 255.255.255.240", "top",
    "vcc1", "no pvc", "pvc 8 32 ip-llc", "no ip address", "no bridg",
    "ip address 192.168.001.034 255.255.255.248", "ip napt", "top",
    "comm", "no ip route 0.0.0.0 vcc1", "ip route 0.0.0.0 0.0.0.0 192.168.1.34 vcc1",
    "no dhcp mode", "ip host-acl 10.0.1.0 255.255.255.255",
    "quit", "save conf startup", "restart"};

} // namespace

class TestAddressesAndScripts : public QObject
{
    Q_OBJECT

private slots:
    void maskBytesAndPrefixMasks()
    {
        const QSet<int> valid{0, 128, 192, 224, 240, 248, 252, 254, 255};
        for (int v = -1; v <= 256; ++v)
            QCOMPARE(validMaskByte(QString::number(v)), valid.contains(v));
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
                        if (validMask(1, {a, b, c, d}, defaultSettings()))
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
            QCOMPARE(validMask(0, quad(mask), withEdc(edc)), valid);
            return;
        }
        QCOMPARE(validMask(1, quad(mask), defaultSettings()), valid);
        QCOMPARE(validMask(7, quad(mask), withEdc("junk")), valid);
    }

    void scripts()
    {
        for (const ConfigType type : {ConfigType::DHCP, ConfigType::NAPT}) {
            const ConfigScript script = buildConfigScript(subscriber(), type, settings());
            QVERIFY2(script.ok(), qPrintable(script.error));
            QCOMPARE(script.lines, type == ConfigType::DHCP ? dhcpScript : naptScript);
        }
    }

    void refusedScripts_data()
    {
        QTest::addColumn<ConfigType>("type");
        QTest::addColumn<SubscriberConfig>("sub");
        QTest::addColumn<ServiceSettings>("set");
        QTest::addColumn<bool>("refused");

        const ServiceSettings set = settings();
        const auto user = [](const char *last, const char *maskLast) {
            SubscriberConfig s = subscriber();
            s.userIpAdd[3] = last;
            s.userMaskAdd[3] = maskLast;
            return s;
        };
        // The derived primary (+1) or secondary (+2) last octet may not pass 255.
        QTest::newRow("DHCP primary 256") << ConfigType::DHCP << user("255", "255") << set << true;
        QTest::newRow("DHCP primary 255 fits") << ConfigType::DHCP << user("254", "254") << set << false;
        QTest::newRow("NAPT secondary 256") << ConfigType::NAPT << user("254", "254") << set << true;

        SubscriberConfig s = subscriber();
        s.modEtherIpAdd[3] = "255";
        s.modEtherMaskAdd[3] = "255";
        QTest::newRow("DHCP management route 256") << ConfigType::DHCP << s << set << true;

        for (const char *phone : {"", "98123456a", "../conf_gen"}) {
            s = subscriber();
            s.userPhoneNumValue = QString::fromLatin1(phone);
            QTest::addRow("phone '%s'", phone) << ConfigType::DHCP << s << set << true;
        }
        s = subscriber();
        s.userIpAdd[0] = "256";
        QTest::newRow("octet out of range") << ConfigType::NAPT << s << set << true;

        ServiceSettings bad = set;
        bad.vciValue = "8,1";
        QTest::newRow("circuit not a number") << ConfigType::DHCP << subscriber() << bad << true;
        bad = set;
        bad.ipAddDNS[2] = "x";
        QTest::newRow("DNS junk") << ConfigType::DHCP << subscriber() << bad << true;
        QTest::newRow("DNS unused by NAPT") << ConfigType::NAPT << subscriber() << bad << false;
        bad = set;
        bad.ipAddEDC[1] = "1000";
        QTest::newRow("EDC junk") << ConfigType::NAPT << subscriber() << bad << true;
    }

    void refusedScripts()
    {
        QFETCH(ConfigType, type);
        QFETCH(SubscriberConfig, sub);
        QFETCH(ServiceSettings, set);
        QFETCH(bool, refused);
        const ConfigScript script = buildConfigScript(sub, type, set);
        QCOMPARE(!script.ok(), refused);
        QCOMPARE(script.lines.isEmpty(), refused);
    }
};

QTEST_GUILESS_MAIN(TestAddressesAndScripts)
#include "tst_addressesandscripts.moc"
