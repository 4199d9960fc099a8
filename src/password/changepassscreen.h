#pragma once

#include "shell/screen.h"

class PasswordStore;
class QLineEdit;

// `changePass`: choose the access password that the next transfer sets on the
// modem. A confirmed password waits in pass1, and the store follows pass1;
// nothing is written here.
class ChangePassScreen : public Screen
{
    Q_OBJECT
public:
    explicit ChangePassScreen(PasswordStore &store);

    // Reads claves.dat into the store, pass1 and pass2 (default on failure).
    void loadPassword();

    // The password in force, as last read from the file.
    const QString &currentPass() const;
    // pass1: the new password, read when a transfer starts.
    QString newPassword() const;

protected:
    void activated() override;
    void closeRequested(QCloseEvent *event) override;

private:
    void save();
    void backToMainMenu();

    PasswordStore &m_store;
    QLineEdit *pass1;
    QLineEdit *pass2;
};
