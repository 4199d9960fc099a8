#pragma once

#include "shell/screen.h"

// Placeholder: the configuration type screen `modemOptions`.
class ModemOptionsScreen : public Screen
{
    Q_OBJECT
public:
    explicit ModemOptionsScreen(Application &app) : Screen(app) {}
};
