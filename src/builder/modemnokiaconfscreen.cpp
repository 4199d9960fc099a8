#include "builder/modemnokiaconfscreen.h"

#include "fields/dottedquad.h"
#include "fields/entryrules.h"
#include "fields/fieldrules.h"
#include "fields/netmask.h"
#include "settings/servicesettings.h"
#include "shell/messageboxes.h"
#include "shell/screenparts.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

const QString dhcpCaption = QStringLiteral("Configuración DHCP para Nokia M1112");
const QString naptCaption = QStringLiteral("Configuración NAPT para Nokia M1112");
const QString phoneCaption = QStringLiteral("Teléfono:");
const QString serviceTypeCaption = QStringLiteral("Modalidad de Servicio:");
// "Estandar" unaccented: the caption the installers know, carried as it reads.
const QString serviceTypes[3] = {QStringLiteral("Estandar"), QStringLiteral("Class"),
                                 QStringLiteral("Premium")};
const QString userConfCaption = QStringLiteral("Configuración de usuario:");
const QString addressCaption = QStringLiteral("Dirección IP:");
const QString maskCaption = QStringLiteral("Máscara de red:");
const QString managementCaption = QStringLiteral("Gestión del Módem");
const QString ethernetCaption = QStringLiteral("Ethernet del Módem");
const QString saveCaption = QStringLiteral("&Salvar");

const Octets naptModemAddress{QStringLiteral("172"), QStringLiteral("26"), QStringLiteral("0"),
                              QStringLiteral("1")};
const Octets naptModemMask{QStringLiteral("255"), QStringLiteral("255"), QStringLiteral("255"),
                           QStringLiteral("240")};

const QString errorTitle = QStringLiteral("Error");
const QString phoneMissing =
    QStringLiteral("El número de teléfono de abonado no es válido o no ha sido rellenado.");
const QString userAddressMissing = QStringLiteral("La dirección IP del usuario no ha sido rellenada.");
const QString userMaskMissing = QStringLiteral("La máscara de red del usuario no ha sido rellenada.");
const QString userMaskInvalid = QStringLiteral("La máscara de red del usuario no tiene formato válido");
const QString modemAddressMissing[2] = {
    QStringLiteral("La dirección IP del módem no ha sido rellenada."),
    QStringLiteral("La dirección IP ethernet del módem no ha sido rellenada.")};
const QString modemMaskMissing[2] = {QStringLiteral("La máscara del módem no ha sido rellenada."),
                                     QStringLiteral("La máscara ethernet del módem no ha sido rellenada.")};
const QString modemMaskInvalid[2] = {
    QStringLiteral("La máscara del módem no tiene un formato válido."),
    QStringLiteral("La máscara ethernet del módem no tiene un formato válido.")};
const Message storedMessage{QStringLiteral("Salvar..."),
                            QStringLiteral("Fichero de configuración almacenado."),
                            MessageIcon::Information};

} // namespace

ModemNokiaConfScreen::ModemNokiaConfScreen(const ServiceSettings &settings, std::function<ConfigType()> chosenType)
    : m_settings(settings)
    , m_chosenType(std::move(chosenType))
{
    setObjectName(QStringLiteral("modemNokiaConf"));
    setFont(classicFont(8.25, false));
    // Wide enough for the caption, which the type sets on activation.
    setMinimumWidth(440);
    const QFont phoneFont = classicFont(9.75, true);
    const QFont octetFont = classicFont(8.25, true);

    auto *userPhoneNumTitle = named<QLabel>("userPhoneNumTitle", phoneCaption, this);
    userPhoneNumTitle->setFont(phoneFont);
    userPhoneNumValue = named<QLineEdit>("userPhoneNumValue", this);
    userPhoneNumValue->setFont(phoneFont);
    auto *phoneRow = new QHBoxLayout;
    phoneRow->addWidget(userPhoneNumTitle);
    phoneRow->addWidget(userPhoneNumValue, 1);

    auto *serviceTypeTitle = named<QGroupBox>("serviceTypeTitle", serviceTypeCaption, this);
    auto *typeRow = new QHBoxLayout(serviceTypeTitle);
    for (int i = 0; i < 3; ++i) {
        servicetypevalue[i] = new QRadioButton(serviceTypes[i], serviceTypeTitle);
        servicetypevalue[i]->setObjectName(QStringLiteral("servicetypevalue_%1").arg(i));
        typeRow->addWidget(servicetypevalue[i]);
    }
    servicetypevalue[0]->setChecked(true);

    auto addressBlock = [&](QGroupBox *box, QLabel *addressTitle, DottedQuad *address,
                            QLabel *maskTitle, DottedQuad *mask) {
        address->setFieldFont(octetFont);
        mask->setFieldFont(octetFont);
        auto *grid = new QGridLayout(box);
        grid->addWidget(addressTitle, 0, 0);
        grid->addWidget(address, 0, 1);
        grid->addWidget(maskTitle, 1, 0);
        grid->addWidget(mask, 1, 1);
        grid->setColumnMinimumWidth(0, maskTitle->sizeHint().width() + 8);
    };
    auto *userConfTitle = named<QGroupBox>("userConfTitle", userConfCaption, this);
    // "UserIpAddTitle", "modEtherMasAddTitle" (sic): the object names the
    // screen tests find the labels by.
    auto *UserIpAddTitle = named<QLabel>("UserIpAddTitle", addressCaption, userConfTitle);
    userIpAdd = new DottedQuad(QStringLiteral("userIpAdd"), userConfTitle);
    auto *userMaskAddTitle = named<QLabel>("userMaskAddTitle", maskCaption, userConfTitle);
    userMaskAdd = new DottedQuad(QStringLiteral("userMaskAdd"), userConfTitle);
    addressBlock(userConfTitle, UserIpAddTitle, userIpAdd, userMaskAddTitle, userMaskAdd);

    modEtherManagementTitle = named<QGroupBox>("modEtherManagementTitle", managementCaption, this);
    auto *modEtherIpAddTitle = named<QLabel>("modEtherIpAddTitle", addressCaption, modEtherManagementTitle);
    modEtherIpAdd = new DottedQuad(QStringLiteral("modEtherIpAdd"), modEtherManagementTitle);
    auto *modEtherMasAddTitle = named<QLabel>("modEtherMasAddTitle", maskCaption, modEtherManagementTitle);
    modEtherMaskAdd = new DottedQuad(QStringLiteral("modEtherMaskAdd"), modEtherManagementTitle);
    addressBlock(modEtherManagementTitle, modEtherIpAddTitle, modEtherIpAdd, modEtherMasAddTitle,
                 modEtherMaskAdd);

    const FormButtons buttons = formButtons(this, "saveModConf", saveCaption, "back2ModOpt");

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(phoneRow);
    layout->addWidget(serviceTypeTitle);
    layout->addWidget(userConfTitle);
    layout->addWidget(modEtherManagementTitle);
    layout->addLayout(buttons.layout);

    QList<QWidget *> order{userPhoneNumValue, servicetypevalue[0]};
    for (DottedQuad *quad : {userIpAdd, userMaskAdd, modEtherIpAdd, modEtherMaskAdd}) {
        for (int i = 0; i < 4; ++i)
            order << quad->field(i);
    }
    order << buttons.act << buttons.back << servicetypevalue[1] << servicetypevalue[2];
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);

    m_rules = new FieldRules(this);
    m_rules->addPhoneNumber(userPhoneNumValue, m_settings.minSize, m_settings.maxSize);
    for (DottedQuad *quad : {userIpAdd, userMaskAdd, modEtherIpAdd, modEtherMaskAdd})
        m_rules->addOctets(quad, FieldRules::OctetLeave::AllowEmpty);

    connect(buttons.act, &QPushButton::clicked, this, &ModemNokiaConfScreen::save);
    connect(buttons.back, &QPushButton::clicked, this, &ModemNokiaConfScreen::backToTypeSelection);
}

QString ModemNokiaConfScreen::telephone() const
{
    return userPhoneNumValue->text();
}

SubscriberConfig ModemNokiaConfScreen::subscriber() const
{
    SubscriberConfig config;
    config.userPhoneNumValue = userPhoneNumValue->text();
    for (QRadioButton *type : servicetypevalue) {
        if (type->isChecked())
            config.servicetypevalue = type->text();
    }
    config.userIpAdd = userIpAdd->octets();
    config.userMaskAdd = userMaskAdd->octets();
    config.modEtherIpAdd = modEtherIpAdd->octets();
    config.modEtherMaskAdd = modEtherMaskAdd->octets();
    return config;
}

void ModemNokiaConfScreen::activated()
{
    m_saved = false;
    m_rules->clearInvalidKey();

    if (m_chosenType() == ConfigType::DHCP) {
        setWindowTitle(dhcpCaption);
        modEtherManagementTitle->setTitle(managementCaption);
        modEtherIpAdd->clear();
        modEtherMaskAdd->clear();
    } else {
        setWindowTitle(naptCaption);
        modEtherManagementTitle->setTitle(ethernetCaption);
        modEtherIpAdd->setOctets(naptModemAddress);
        modEtherMaskAdd->setOctets(naptModemMask);
    }

    servicetypevalue[0]->setChecked(true);

    userPhoneNumValue->clear();
    // A maximum of 0, or one that is not a number, sets no limit.
    userPhoneNumValue->setMaxLength(entryrules::phoneFieldLimit(m_settings.maxSize));
    userIpAdd->clear();
    userMaskAdd->clear();
    // Last, so that no field that has just been emptied is left with the focus.
    userPhoneNumValue->setFocus(Qt::OtherFocusReason);
}

void ModemNokiaConfScreen::save()
{
    if (passesChecks()) {
        const ConfigType type = m_chosenType();
        QString error;
        if (writeConfigScript(subscriber(), type, m_settings, &error))
            showMessage(this, storedMessage);
        else
            showMessage(this, {errorTitle, error, MessageIcon::Critical});
    }
    // Pressed counts, passed or not: the main menu takes the number over.
    m_saved = true;
}

bool ModemNokiaConfScreen::passesChecks()
{
    const int wording = m_chosenType() == ConfigType::DHCP ? 0 : 1;
    const SubscriberConfig config = subscriber();
    QString failure;
    // A pasted number with other characters would name another file.
    if (!isPhoneNumber(config.userPhoneNumValue))
        failure = phoneMissing;
    else if (anyOctetEmpty(config.userIpAdd))
        failure = userAddressMissing;
    else if (anyOctetEmpty(config.userMaskAdd))
        failure = userMaskMissing;
    else if (!validMask(MaskSource::Subscriber, config.userMaskAdd))
        failure = userMaskInvalid;
    else if (anyOctetEmpty(config.modEtherIpAdd))
        failure = modemAddressMissing[wording];
    else if (anyOctetEmpty(config.modEtherMaskAdd))
        failure = modemMaskMissing[wording];
    else if (!validMask(MaskSource::Subscriber, config.modEtherMaskAdd))
        failure = modemMaskInvalid[wording];
    if (failure.isEmpty())
        return true;
    showMessage(this, {errorTitle, failure, MessageIcon::Critical});
    return false;
}

void ModemNokiaConfScreen::backToTypeSelection()
{
    hide();
    emit back();
}

void ModemNokiaConfScreen::closeRequested(QCloseEvent *event)
{
    // Only hidden: the main menu reads `saved` and the number later.
    event->ignore();
    backToTypeSelection();
}
