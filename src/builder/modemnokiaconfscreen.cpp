#include "builder/modemnokiaconfscreen.h"

#include <QLineEdit>

// Placeholder until the screen is built.
ModemNokiaConfScreen::ModemNokiaConfScreen(Application &app) : Screen(app), userPhoneNumValue(new QLineEdit(this)) {}
