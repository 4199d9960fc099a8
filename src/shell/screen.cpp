#include "shell/screen.h"

#include <QCloseEvent>
#include <QEvent>
#include <QPointer>

namespace {

// One for the whole program, as there is one active window on the desktop;
// only to tell a move between screens from a return from elsewhere.
QPointer<Screen> activeScreen;

} // namespace

Screen::Screen(QWidget *parent)
    : QWidget(parent)
{
}

void Screen::showScreen()
{
    show();
    raise();
    activateWindow();
    becomeActive();
}

void Screen::becomeActive()
{
    activeScreen = this;
    activated();
    emit becameActive();
}

void Screen::closeRequested(QCloseEvent *event)
{
    event->accept();
}

bool Screen::event(QEvent *event)
{
    // Only a move from another of our screens: a window that is not one of
    // them never takes the place of the active screen.
    if (event->type() == QEvent::WindowActivate && isVisible() && activeScreen != this)
        becomeActive();
    return QWidget::event(event);
}

void Screen::closeEvent(QCloseEvent *event)
{
    // Only a close asked for by the user goes through the screen's own
    // action; hide() from the program does not raise a close event.
    closeRequested(event);
}
