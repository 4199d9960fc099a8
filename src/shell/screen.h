#pragma once

#include <QWidget>

class Application;

// A top-level screen: created hidden on first use, then only shown and
// hidden. Subclasses react to becoming the active window and to the user
// closing the window.
class Screen : public QWidget
{
    Q_OBJECT
public:
    explicit Screen(Application &app, QWidget *parent = nullptr);

    // Make visible, bring to the front and activate; never modal.
    void showScreen();

    // Around a message box of this screen: the box takes the activation
    // and hands it back, which is no return to the screen.
    void ownMessageOpened();
    void ownMessageClosed();

protected:
    // Runs every time the screen becomes the active window.
    virtual void activated() {}
    // Runs when the user closes the window. The default hides it and lets
    // the subclass decide where to go (its back button's action).
    virtual void closeRequested(QCloseEvent *event);

    bool event(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

    Application &m_app;

private:
    int m_openMessages = 0;
    bool m_activationOwedByMessage = false;
};
