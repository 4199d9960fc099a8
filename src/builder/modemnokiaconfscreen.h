#pragma once

#include "builder/configscript.h"
#include "shell/screen.h"

#include <array>

class DottedQuad;
class FieldRules;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// `modemNokiaConf`: one subscriber's data and the Save that writes its
// command script. Every activation starts from an empty subscriber; the
// configuration type is read from `modemOptions` at activation and at Save.
class ModemNokiaConfScreen : public Screen
{
    Q_OBJECT
public:
    explicit ModemNokiaConfScreen(Application &app);

    // What the fields hold, each text as typed.
    SubscriberConfig subscriber() const;

    bool saved = false; // Save pressed since the last activation; read by M_loadConf

    QLabel *userPhoneNumTitle;
    QLineEdit *userPhoneNumValue = nullptr;
    QGroupBox *serviceTypeTitle;
    std::array<QRadioButton *, 3> servicetypevalue;
    QGroupBox *userConfTitle;
    QLabel *UserIpAddTitle;
    DottedQuad *userIpAdd;
    QLabel *userMaskAddTitle;
    DottedQuad *userMaskAdd;
    QGroupBox *modEtherManagementTitle;
    QLabel *modEtherIpAddTitle;
    DottedQuad *modEtherIpAdd;
    QLabel *modEtherMasAddTitle;
    DottedQuad *modEtherMaskAdd;
    QPushButton *saveModConf;
    QPushButton *back2ModOpt;

    FieldRules *rules() const { return m_rules; }

protected:
    void activated() override;
    void closeRequested(QCloseEvent *event) override;

private:
    void save();
    bool passesChecks();
    void backToTypeSelection();

    FieldRules *m_rules;
};
