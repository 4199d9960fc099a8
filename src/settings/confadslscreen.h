#pragma once

#include "shell/screen.h"

// Placeholder: the settings screen `confADSL`.
class ConfAdslScreen : public Screen
{
    Q_OBJECT
public:
    explicit ConfAdslScreen(Application &app) : Screen(app) {}
};
