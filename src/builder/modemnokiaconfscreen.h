#pragma once

#include "shell/screen.h"

// Placeholder: the subscriber screen `modemNokiaConf`.
class ModemNokiaConfScreen : public Screen
{
    Q_OBJECT
public:
    explicit ModemNokiaConfScreen(Application &app) : Screen(app) {}
};
