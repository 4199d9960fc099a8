#include "builder/configscript.h"

#include "settings/servicesettings.h"
#include "shell/deployment.h"
#include "shell/textfile.h"

namespace {

int octetValue(const QString &text)
{
    return isOctet(text) ? text.toInt() : 0;
}

int derivedOctet(qint16 primSec, qint16 bytePos, const QString &byteMask, const QString &byteIp)
{
    int v = octetValue(byteIp) & octetValue(byteMask);
    if (bytePos == 3) {
        v += 1;
        if (primSec == 2)
            v += 1;
    }
    return v;
}

// Builds the texts of a script while collecting the first reason it cannot
// be sent to a modem; later problems are not reported over the first.
class ScriptBuilder
{
public:
    QString error;

    // The text form, as typed. Anything but octets would reach the modem as
    // a broken command.
    QString text(const Octets &octets)
    {
        for (const QString &octet : octets) {
            if (!isOctet(octet))
                fail(QStringLiteral("La dirección %1 no es válida.").arg(joinOctets(octets)));
        }
        return joinOctets(octets);
    }

    // A last octet above 255 is no address at all: refuse rather than write it.
    QString derived(qint16 primSec, const Octets &ip, const Octets &mask)
    {
        text(ip);
        text(mask);
        QStringList parts;
        for (qint16 pos = 0; pos < 4; ++pos)
            parts << obtainPrimSecIpAdd(primSec, pos, mask[pos], ip[pos]);
        if (derivedOctet(primSec, 3, mask[3], ip[3]) > 255) {
            fail(QStringLiteral("La dirección %1 con la máscara %2 no deja sitio para la "
                                "dirección %3: su último octeto pasaría de 255.")
                     .arg(joinOctets(ip), joinOctets(mask),
                          primSec == 2 ? QStringLiteral("secundaria")
                                       : QStringLiteral("primaria")));
        }
        return parts.join(u'.');
    }

    QString number(const QString &value, const QString &what)
    {
        if (!isPhoneNumber(value))
            fail(QStringLiteral("El valor %1 \"%2\" del servicio ADSL no es un número.").arg(what, value));
        return value;
    }

private:
    void fail(const QString &reason)
    {
        if (error.isEmpty())
            error = reason;
    }
};

QStringList dhcpLines(ScriptBuilder &b, const SubscriberConfig &s, const QString &pvc,
                      const ServiceSettings &settings)
{
    const QString userPrimary = b.derived(1, s.userIpAdd, s.userMaskAdd);
    return {
        QStringLiteral("restore config default"),
        QStringLiteral("restart"),
        QStringLiteral("admin"),
        QStringLiteral("*****"),
        QStringLiteral("conf"),
        QStringLiteral("sys"),
        QStringLiteral("hostname ") + s.userPhoneNumValue,
        QStringLiteral("eth"),
        QStringLiteral("no bridg"), // abridged, as the modems have always been sent it
        QStringLiteral("no ip address"),
        QStringLiteral("ip addr ") + userPrimary + u' ' + b.text(s.userMaskAdd),
        QStringLiteral("top"),
        QStringLiteral("vcc1"),
        QStringLiteral("no pvc"),
        pvc,
        QStringLiteral("no ip address"),
        QStringLiteral("no bridg"),
        QStringLiteral("ip address ") + b.text(s.modEtherIpAdd) + u' ' + b.text(s.modEtherMaskAdd),
        QStringLiteral("no ip napt"),
        QStringLiteral("top"),
        QStringLiteral("comm"),
        QStringLiteral("no ip route 0.0.0.0 vcc1"),
        QStringLiteral("ip route 0.0.0.0 0.0.0.0 ") + b.derived(1, s.modEtherIpAdd, s.modEtherMaskAdd)
            + QStringLiteral(" vcc1"),
        QStringLiteral("dhcp address 1 ") + b.text(s.userIpAdd) + u' ' + b.text(s.userMaskAdd)
            + QStringLiteral(" 1"),
        QStringLiteral("dhcp mode server"),
        QStringLiteral("dhcp gateway 1 ") + userPrimary,
        QStringLiteral("dhcp dns 1 pri ") + b.text(settings.ipAddDNS),
        QStringLiteral("dhcp domain-name 1 ") + deployment::dhcpDomainName,
        QStringLiteral("top"),
        QStringLiteral("quit"),
        QStringLiteral("save conf start"), // NAPT's reads "startup": each as ever
        QStringLiteral("restart"),
    };
}

QStringList naptLines(ScriptBuilder &b, const SubscriberConfig &s, const QString &pvc,
                      const ServiceSettings &settings)
{
    return {
        QStringLiteral("restore config default"),
        QStringLiteral("restart"),
        QStringLiteral("admin"),
        QStringLiteral("*****"),
        QStringLiteral("conf"),
        QStringLiteral("sys"),
        QStringLiteral("hostname ") + s.userPhoneNumValue,
        QStringLiteral("top"),
        QStringLiteral("eth"),
        QStringLiteral("no bridg"),
        QStringLiteral("no ip address"),
        QStringLiteral("ip addr ") + b.text(s.modEtherIpAdd) + u' ' + b.text(s.modEtherMaskAdd),
        QStringLiteral("top"),
        QStringLiteral("vcc1"),
        QStringLiteral("no pvc"),
        pvc,
        QStringLiteral("no ip address"),
        QStringLiteral("no bridg"),
        QStringLiteral("ip address ") + b.text(s.userIpAdd) + u' ' + b.text(s.userMaskAdd),
        QStringLiteral("ip napt"),
        QStringLiteral("top"),
        QStringLiteral("comm"),
        QStringLiteral("no ip route 0.0.0.0 vcc1"),
        QStringLiteral("ip route 0.0.0.0 0.0.0.0 ") + b.derived(2, s.userIpAdd, s.userMaskAdd)
            + QStringLiteral(" vcc1"),
        QStringLiteral("no dhcp mode"),
        QStringLiteral("ip host-acl ") + b.text(settings.ipAddEDC)
            + QStringLiteral(" 255.255.255.255"),
        QStringLiteral("quit"),
        QStringLiteral("save conf startup"),
        QStringLiteral("restart"),
    };
}

} // namespace

QString obtainPrimSecIpAdd(qint16 primSec, qint16 bytePos, const QString &byteMask,
                           const QString &byteIp)
{
    return QString::number(derivedOctet(primSec, bytePos, byteMask, byteIp));
}

bool isPhoneNumber(const QString &text)
{
    if (text.isEmpty())
        return false;
    for (QChar c : text) {
        if (c < u'0' || c > u'9')
            return false;
    }
    return true;
}

QString configScriptPath(const QString &phoneNumber)
{
    return QStringLiteral("configuraciones/") + phoneNumber + QStringLiteral(".cfg");
}

ConfigScript buildConfigScript(const SubscriberConfig &subscriber, ConfigType type,
                               const ServiceSettings &settings)
{
    ScriptBuilder b;
    // The number names the file and the modem: anything but digits could
    // point the file elsewhere or break the host name command.
    if (!isPhoneNumber(subscriber.userPhoneNumValue)) {
        b.error = QStringLiteral("El número de teléfono \"%1\" no es válido: sólo puede "
                                 "contener cifras.")
                      .arg(subscriber.userPhoneNumValue);
    }
    const QString pvc = QStringLiteral("pvc ") + b.number(settings.vciValue, QStringLiteral("VCI"))
        + u' ' + b.number(settings.vpiValue, QStringLiteral("VPI")) + QStringLiteral(" ip-llc");

    ConfigScript script;
    script.lines = type == ConfigType::DHCP ? dhcpLines(b, subscriber, pvc, settings)
                                            : naptLines(b, subscriber, pvc, settings);
    script.error = b.error;
    if (!script.ok())
        script.lines.clear(); // a refused script must not reach a file or a modem
    return script;
}

bool writeConfigScript(const SubscriberConfig &subscriber, ConfigType type,
                       const ServiceSettings &settings, QString *error)
{
    const ConfigScript script = buildConfigScript(subscriber, type, settings);
    if (!script.ok()) {
        if (error)
            *error = script.error;
        return false;
    }
    return textfile::writeAtomically(configScriptPath(subscriber.userPhoneNumValue),
                                     textfile::joinLines(script.lines), error, true);
}
