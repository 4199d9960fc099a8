#include "shell/deployment.h"

#include "samples.h"

#include <QtTest>

// The modem scripts built from the subscriber's addresses.

namespace {

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

class TestConfigScript : public QObject
{
    Q_OBJECT

private slots:
    // Each row's script, or none when it is refused.
    void scripts_data()
    {
        QTest::addColumn<ConfigType>("type");
        QTest::addColumn<SubscriberConfig>("sub");
        QTest::addColumn<ServiceSettings>("set");
        QTest::addColumn<QStringList>("lines");

        const QStringList refused;
        QTest::newRow("DHCP") << ConfigType::DHCP << subscriber() << sample << dhcpScript;
        const auto user = [](const char *last, const char *maskLast) {
            SubscriberConfig s = subscriber();
            s.userIpAdd[3] = last;
            s.userMaskAdd[3] = maskLast;
            return s;
        };
        // The derived primary (+1) or secondary (+2) last octet may not pass 255.
        QStringList fits = dhcpScript;
        fits.replaceInStrings("255.248", "255.254").replaceInStrings("1.33", "1.255");
        fits.replaceInStrings("034", "254");
        QTest::newRow("DHCP primary 256") << ConfigType::DHCP << user("255", "255") << sample << refused;
        QTest::newRow("DHCP primary 255 fits") << ConfigType::DHCP << user("254", "254") << sample << fits;
        QTest::newRow("NAPT secondary 256") << ConfigType::NAPT << user("254", "254") << sample << refused;

        SubscriberConfig s = subscriber();
        s.modEtherIpAdd[3] = "255";
        s.modEtherMaskAdd[3] = "255";
        QTest::newRow("DHCP management route 256") << ConfigType::DHCP << s << sample << refused;

        for (const char *phone : {"", "98123456a", "../conf_gen"}) {
            s = subscriber();
            s.userPhoneNumValue = QString::fromLatin1(phone);
            QTest::addRow("phone '%s'", phone) << ConfigType::DHCP << s << sample << refused;
        }
        s = subscriber();
        s.userIpAdd[0] = "256";
        QTest::newRow("octet out of range") << ConfigType::NAPT << s << sample << refused;

        ServiceSettings bad = sample;
        bad.vciValue = "8,1";
        QTest::newRow("circuit not a number") << ConfigType::DHCP << subscriber() << bad << refused;
        bad = sample;
        bad.ipAddDNS[2] = "x";
        QTest::newRow("DNS junk") << ConfigType::DHCP << subscriber() << bad << refused;
        QTest::newRow("NAPT, DNS unused") << ConfigType::NAPT << subscriber() << bad << naptScript;
        bad = sample;
        bad.ipAddEDC[1] = "1000";
        QTest::newRow("EDC junk") << ConfigType::NAPT << subscriber() << bad << refused;
    }

    void scripts()
    {
        QFETCH(ConfigType, type);
        QFETCH(SubscriberConfig, sub);
        QFETCH(ServiceSettings, set);
        QFETCH(QStringList, lines);
        const ConfigScript script = buildConfigScript(sub, type, set);
        QCOMPARE(script.ok(), !lines.isEmpty());
        QCOMPARE(script.lines, lines);
    }
};

QTEST_GUILESS_MAIN(TestConfigScript)
#include "tst_configscript.moc"
