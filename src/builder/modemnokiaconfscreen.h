#pragma once

#include "builder/configscript.h"
#include "shell/screen.h"

#include <array>
#include <functional>

class DottedQuad;
class QGroupBox;
class QLineEdit;
class QRadioButton;
class FieldRules;
struct ServiceSettings;

// `modemNokiaConf`: one subscriber's data and the Save that writes its
// command script. Every activation starts from an empty subscriber; the
// configuration type is asked for at activation and at Save.
class ModemNokiaConfScreen : public Screen
{
    Q_OBJECT
public:
    ModemNokiaConfScreen(const ServiceSettings &settings, std::function<ConfigType()> chosenType);

    // What the fields hold, each text as typed.
    SubscriberConfig subscriber() const;
    // Save pressed since the last activation, its checks passed or not; read
    // when the main menu opens the transfer screen, with the telephone.
    bool saved() const { return m_saved; }
    QString telephone() const;

protected:
    void activated() override;
    void closeRequested(QCloseEvent *event) override;

private:
    void save();
    bool passesChecks();
    void backToTypeSelection();

    const ServiceSettings &m_settings;
    const std::function<ConfigType()> m_chosenType;
    bool m_saved = false;
    FieldRules *m_rules;
    QLineEdit *userPhoneNumValue;
    std::array<QRadioButton *, 3> servicetypevalue;
    DottedQuad *userIpAdd;
    DottedQuad *userMaskAdd;
    QGroupBox *modEtherManagementTitle;
    DottedQuad *modEtherIpAdd;
    DottedQuad *modEtherMaskAdd;
};
