#include "shell/screen.h"

#include <QCloseEvent>
#include <QEvent>

Screen::Screen(Application &app, QWidget *parent)
    : QWidget(parent)
    , m_app(app)
{
}

void Screen::showScreen()
{
    show();
    raise();
    activateWindow();
}

void Screen::closeRequested(QCloseEvent *event)
{
    event->accept();
}

void Screen::ownMessageOpened()
{
    ++m_openMessages;
}

void Screen::ownMessageClosed()
{
    --m_openMessages;
    // When the box has not yet handed the activation back, it will later.
    m_activationOwedByMessage = m_openMessages == 0 && !isActiveWindow();
}

bool Screen::event(QEvent *event)
{
    if (event->type() == QEvent::WindowActivate) {
        const bool fromMessage = m_openMessages > 0 || m_activationOwedByMessage;
        m_activationOwedByMessage = false;
        if (!fromMessage)
            activated();
    }
    return QWidget::event(event);
}

void Screen::closeEvent(QCloseEvent *event)
{
    // Only a close asked for by the user goes through the screen's own
    // action; hide() from the program does not raise a close event.
    closeRequested(event);
}
