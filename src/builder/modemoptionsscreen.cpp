#include "builder/modemoptionsscreen.h"

// Placeholder until the screen is built.
ModemOptionsScreen::ModemOptionsScreen(Application &app) : Screen(app), modemSelected(nullptr), DHCP_NAPT{}, configure(nullptr), back2main(nullptr) {}
ConfigType ModemOptionsScreen::selectedType() const { return ConfigType::DHCP; }
void ModemOptionsScreen::activated() {}
void ModemOptionsScreen::closeRequested(QCloseEvent *event) { Screen::closeRequested(event); }
