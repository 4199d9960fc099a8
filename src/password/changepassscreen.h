#pragma once

#include "shell/screen.h"

// Placeholder: the password screen `changePass`.
class ChangePassScreen : public Screen
{
    Q_OBJECT
public:
    explicit ChangePassScreen(Application &app) : Screen(app) {}
    QString currentPass;
    void loadPassword() {}
};
