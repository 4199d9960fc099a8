#include "builder/configscript.h"
#include "settings/servicesettings.h"
#include "shell/deployment.h"

#include <QtTest>

namespace {

ServiceSettings settings()
{
    ServiceSettings s = defaultSettings();
    s.ipAddEDC = {"10", "0", "1", "0"};
    s.maskAddEDC = {"255", "255", "255", "0"}; // the script's host-acl mask is fixed
    s.ipAddDNS = {"80", "58", "0", "33"};
    return s;
}

SubscriberConfig subscriber()
{
    SubscriberConfig s;
    s.userPhoneNumValue = "981234567";
    s.userIpAdd = {"192", "168", "1", "34"};
    s.userMaskAdd = {"255", "255", "255", "248"};
    s.modEtherIpAdd = {"172", "26", "0", "1"};
    s.modEtherMaskAdd = {"255", "255", "255", "240"};
    return s;
}

// One source line per command mode of the modem's console.
const QStringList dhcpScript = {
    "restore config default", "restart", "admin", "*****", "conf",
    "sys", "hostname 981234567",
    "eth", "no bridg", "no ip address", "ip addr 192.168.1.33 255.255.255.248", "top",
    "vcc1", "no pvc", "pvc 8 32 ip-llc", "no ip address", "no bridg",
    "ip address 172.26.0.1 255.255.255.240", "no ip napt", "top",
    "comm", "no ip route 0.0.0.0 vcc1", "ip route 0.0.0.0 0.0.0.0 172.26.0.1 vcc1",
    "dhcp address 1 192.168.1.34 255.255.255.248 1", "dhcp mode server",
    "dhcp gateway 1 192.168.1.33", "dhcp dns 1 pri 80.58.0.33",
    "dhcp domain-name 1 " + deployment::dhcpDomainName, "top",
    "quit", "save conf start", "restart"};

const QStringList naptScript = {
    "restore config default", "restart", "admin", "*****", "conf",
    "sys", "hostname 981234567", "top",
    "eth", "no bridg", "no ip address", "ip addr 172.26.0.1 255.255.255.240", "top",
    "vcc1", "no pvc", "pvc 8 32 ip-llc", "no ip address", "no bridg",
    "ip address 192.168.1.34 255.255.255.248", "ip napt", "top",
    "comm", "no ip route 0.0.0.0 vcc1", "ip route 0.0.0.0 0.0.0.0 192.168.1.34 vcc1",
    "no dhcp mode", "ip host-acl 10.0.1.0 255.255.255.255",
    "quit", "save conf startup", "restart"};

} // namespace

class TestConfigScript : public QObject
{
    Q_OBJECT

private slots:
    void variants_data();
    void variants();
    void typedTextsKept_data();
    void typedTextsKept();
    void refusals_data();
    void refusals();
};

void TestConfigScript::variants_data()
{
    QTest::addColumn<ConfigType>("type");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("DHCP") << ConfigType::DHCP << dhcpScript;
    QTest::newRow("NAPT") << ConfigType::NAPT << naptScript;
}

void TestConfigScript::variants()
{
    QFETCH(ConfigType, type);
    QFETCH(QStringList, expected);
    const ConfigScript script = buildConfigScript(subscriber(), type, settings());
    QVERIFY2(script.ok(), qPrintable(script.error));
    for (qsizetype i = 0; i < qMin(script.lines.size(), expected.size()); ++i)
        QVERIFY2(script.lines[i] == expected[i], qPrintable(QString("line %1: %2").arg(i + 1).arg(script.lines[i])));
    QCOMPARE(script.lines.size(), expected.size());
}

void TestConfigScript::typedTextsKept_data()
{
    QTest::addColumn<ConfigType>("type");
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("expected");
    QTest::newRow("DHCP derived, no zeros") << ConfigType::DHCP << 11 << "ip addr 10.1.2.1 255.255.255.0";
    QTest::newRow("DHCP as typed") << ConfigType::DHCP << 24 << "dhcp address 1 010.001.002.034 255.255.255.0 1";
    QTest::newRow("NAPT as typed") << ConfigType::NAPT << 19 << "ip address 010.001.002.034 255.255.255.0";
    QTest::newRow("NAPT route") << ConfigType::NAPT << 24 << "ip route 0.0.0.0 0.0.0.0 10.1.2.2 vcc1";
    QTest::newRow("host name, leading zero") << ConfigType::NAPT << 7 << "hostname 0981234567";
}

void TestConfigScript::typedTextsKept()
{
    QFETCH(ConfigType, type);
    QFETCH(int, line);
    QFETCH(QString, expected);
    SubscriberConfig s = subscriber();
    s.userPhoneNumValue = "0981234567";
    s.userIpAdd = {"010", "001", "002", "034"};
    s.userMaskAdd = {"255", "255", "255", "0"};
    const ConfigScript script = buildConfigScript(s, type, settings());
    QVERIFY2(script.ok(), qPrintable(script.error));
    QCOMPARE(script.lines.value(line - 1), expected);
}

void TestConfigScript::refusals_data()
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
    QTest::newRow("NAPT secondary 255 fits") << ConfigType::NAPT << user("253", "255") << set << false;

    SubscriberConfig s = subscriber();
    s.modEtherIpAdd[3] = "255";
    s.modEtherMaskAdd[3] = "255";
    QTest::newRow("DHCP management route 256") << ConfigType::DHCP << s << set << true;
    QTest::newRow("NAPT never derives it") << ConfigType::NAPT << s << set << false;

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

void TestConfigScript::refusals()
{
    QFETCH(ConfigType, type);
    QFETCH(SubscriberConfig, sub);
    QFETCH(ServiceSettings, set);
    QFETCH(bool, refused);
    const ConfigScript script = buildConfigScript(sub, type, set);
    QCOMPARE(!script.ok(), refused);
    QCOMPARE(script.lines.isEmpty(), refused);
}

QTEST_GUILESS_MAIN(TestConfigScript)
#include "tst_configscript.moc"
