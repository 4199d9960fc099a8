#include "builder/modemoptionsscreen.h"

#include "shell/screenparts.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

ModemOptionsScreen::ModemOptionsScreen()
{
    setObjectName(QStringLiteral("modemOptions"));
    setWindowTitle(QStringLiteral("Selección de módem ADSL"));

    auto *modemTitle = new QGroupBox(QStringLiteral("Módem ADSL:"), this);
    modemTitle->setObjectName(QStringLiteral("modemTitle"));
    auto *modemSelected = new QComboBox(modemTitle);
    modemSelected->setObjectName(QStringLiteral("modemSelected"));
    modemSelected->addItem(QStringLiteral("Nokia M1112"));
    (new QVBoxLayout(modemTitle))->addWidget(modemSelected);

    auto *typeConfTitle = new QGroupBox(QStringLiteral("Tipo de configuración:"), this);
    typeConfTitle->setObjectName(QStringLiteral("typeConfTitle"));
    auto *typeLayout = new QVBoxLayout(typeConfTitle);
    const QString captions[2] = {QStringLiteral("Modo M&onopuesto, con DHCP y sin NAPT"),
                                 QStringLiteral("Modo M&ultipuesto, sin DHCP y con NAPT")};
    for (int i = 0; i < 2; ++i) {
        DHCP_NAPT[i] = new QRadioButton(captions[i], typeConfTitle);
        DHCP_NAPT[i]->setObjectName(QStringLiteral("DHCP_NAPT_%1").arg(i));
        typeLayout->addWidget(DHCP_NAPT[i]);
    }
    DHCP_NAPT[0]->setChecked(true);

    const FormButtons buttons = formButtons(this, "configure", QStringLiteral("Ac&eptar"), "back2main", true);

    auto *left = new QVBoxLayout;
    left->addWidget(modemTitle);
    left->addWidget(typeConfTitle);
    auto *layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addLayout(buttons.layout);

    setTabOrder(buttons.act, buttons.back);
    setTabOrder(buttons.back, modemSelected);
    setTabOrder(modemSelected, DHCP_NAPT[0]);
    setTabOrder(DHCP_NAPT[0], DHCP_NAPT[1]);

    connect(buttons.act, &QPushButton::clicked, this, [this] {
        hide();
        emit typeChosen();
    });
    connect(buttons.back, &QPushButton::clicked, this, &ModemOptionsScreen::backToMainMenu);
}

ConfigType ModemOptionsScreen::selectedType() const
{
    return DHCP_NAPT[0]->isChecked() ? ConfigType::DHCP : ConfigType::NAPT;
}

void ModemOptionsScreen::activated()
{
    // A type chosen earlier is not remembered: every return starts at DHCP.
    DHCP_NAPT[0]->setChecked(true);
}

void ModemOptionsScreen::closeRequested(QCloseEvent *event)
{
    // The subscriber screen reads the selection here, so the screen is only hidden.
    event->ignore();
    backToMainMenu();
}

void ModemOptionsScreen::backToMainMenu()
{
    hide();
    emit back();
}
