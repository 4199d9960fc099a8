#pragma once

#include "builder/configscript.h"
#include "shell/screen.h"

#include <array>

class QRadioButton;

// `modemOptions`: the modem model and the configuration type. The subscriber
// screen reads the selection here when it activates and again at Save, so
// this screen stays alive, hidden, meanwhile.
class ModemOptionsScreen : public Screen
{
    Q_OBJECT
public:
    ModemOptionsScreen();

    // Option 0 gives DHCP; anything else NAPT.
    ConfigType selectedType() const;

signals:
    // `configure`: the subscriber screen comes next; this one is hidden.
    void typeChosen();

protected:
    void activated() override;
    void closeRequested(QCloseEvent *event) override;

private:
    void backToMainMenu();

    std::array<QRadioButton *, 2> DHCP_NAPT;
};
