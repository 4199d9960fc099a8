#include "password/changepassscreen.h"

// Placeholder until the screen is built.
ChangePassScreen::ChangePassScreen(Application &app) : Screen(app), pass1(nullptr), pass2(nullptr), savePass(nullptr), back2main(nullptr) {}
void ChangePassScreen::loadPassword() {}
void ChangePassScreen::activated() {}
void ChangePassScreen::closeRequested(QCloseEvent *event) { Screen::closeRequested(event); }
