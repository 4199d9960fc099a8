#pragma once

#include "shell/screen.h"

class QPushButton;

// The main menu `main`: the only way into the other screens.
class MainMenuScreen : public Screen
{
    Q_OBJECT
public:
    explicit MainMenuScreen(Application &app);

    QPushButton *M_changePass;
    QPushButton *M_confADSL;
    QPushButton *M_intrConf;
    QPushButton *M_loadConf;
    QPushButton *M_Exit;

    // While a transfer runs the buttons that lead elsewhere are disabled;
    // M_Exit never is.
    void setTransferRunning(bool running);

protected:
    void closeRequested(QCloseEvent *event) override;

private:
    void openTransferScreen();
};
