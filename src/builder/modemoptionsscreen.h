#pragma once

#include "builder/configscript.h"
#include "shell/screen.h"

#include <array>

class QComboBox;
class QPushButton;
class QRadioButton;

// `modemOptions`: the modem model and the configuration type. The subscriber
// screen reads the selection here when it activates and again at Save, so
// this screen stays alive, hidden, meanwhile.
class ModemOptionsScreen : public Screen
{
    Q_OBJECT
public:
    explicit ModemOptionsScreen(Application &app);

    // Option 0 gives DHCP; anything else NAPT.
    ConfigType selectedType() const;

    QComboBox *modemSelected;
    std::array<QRadioButton *, 2> DHCP_NAPT;
    QPushButton *configure;
    QPushButton *back2main;

protected:
    void activated() override;
    void closeRequested(QCloseEvent *event) override;

private:
    void backToMainMenu();
};
