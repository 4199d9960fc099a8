#pragma once

#include "shell/screen.h"

class QLineEdit;
class QPushButton;

// `changePass`: choose the access password that the next transfer sets on the
// modem. A confirmed password waits in pass1; nothing is written here.
class ChangePassScreen : public Screen
{
    Q_OBJECT
public:
    explicit ChangePassScreen(Application &app);

    // Reads claves.dat into currentPass, pass1 and pass2 (default on failure).
    void loadPassword();

    QString currentPass; // the password in force, as last read from the file
    QLineEdit *pass1;    // the new password, read by the transfer
    QLineEdit *pass2;
    QPushButton *savePass;
    QPushButton *back2main;

protected:
    void activated() override;
    void closeRequested(QCloseEvent *event) override;

private:
    void save();
    void backToMainMenu();
};
