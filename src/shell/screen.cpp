#include "shell/screen.h"

#include <QApplication>
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

bool Screen::event(QEvent *event)
{
    if (event->type() == QEvent::WindowDeactivate) {
        QWidget *modal = QApplication::activeModalWidget();
        m_lostToModal = modal && modal != this;
    } else if (event->type() == QEvent::WindowActivate) {
        const bool backFromModal = m_lostToModal;
        m_lostToModal = false;
        if (!backFromModal)
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
