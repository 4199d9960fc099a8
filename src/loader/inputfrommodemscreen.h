#pragma once

#include "shell/screen.h"

// Placeholder: the transfer screen `inputFromModem`.
class InputFromModemScreen : public Screen
{
    Q_OBJECT
public:
    explicit InputFromModemScreen(Application &app) : Screen(app)
    {
        setAttribute(Qt::WA_DeleteOnClose);
    }
    void openFromMainMenu() {}
};
