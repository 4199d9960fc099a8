#pragma once

#include "shell/screen.h"

class QLineEdit;

// Placeholder: the subscriber screen `modemNokiaConf`.
class ModemNokiaConfScreen : public Screen
{
    Q_OBJECT
public:
    explicit ModemNokiaConfScreen(Application &app);

    bool saved = false;                  // read by the main menu's M_loadConf
    QLineEdit *userPhoneNumValue = nullptr;
};
