#pragma once

#include "shell/screen.h"

class QPushButton;

// The main menu `main`: the only way into the other screens. It tells which
// button was chosen; the program opens that screen.
class MainMenuScreen : public Screen
{
    Q_OBJECT
public:
    MainMenuScreen();

    // While a transfer runs the buttons that lead elsewhere are disabled;
    // M_Exit never is.
    void setTransferRunning(bool running);

signals:
    // The main menu is hidden right after each of the first three.
    void changePassChosen();
    void confADSLChosen();
    void intrConfChosen();
    void loadConfChosen();
    // M_Exit, or the window closed: the program ends.
    void exitChosen();

protected:
    void closeRequested(QCloseEvent *event) override;

private:
    QPushButton *M_changePass;
    QPushButton *M_confADSL;
    QPushButton *M_intrConf;
    QPushButton *M_loadConf;
};
