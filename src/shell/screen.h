#pragma once

#include <QWidget>

// A top-level screen: created hidden on first use, then only shown and
// hidden. Subclasses react to becoming the active screen and to the user
// closing the window. A screen knows no other screen: it says where the
// user wants to go by its signals, and the program shows that screen.
//
// A screen becomes the active screen when the program shows it, and when the
// user moves to it from another screen of the program. A message box of the
// screen, a popup, or another application in between is no move: coming back
// from them finds the screen still the active one. The program's own shows
// count at once, so no platform's order of activation events, nor their
// absence, changes what runs.
class Screen : public QWidget
{
    Q_OBJECT
public:
    explicit Screen(QWidget *parent = nullptr);

    // Make visible, bring to the front and activate; never modal. The
    // screen becomes the active screen.
    void showScreen();

signals:
    // This screen became the active screen; activated() has run.
    void becameActive();
    // Screens with a back button: the user left by it, by closing the window
    // or, on the password screen, by a save. The screen is already hidden.
    void back();

protected:
    // Runs every time the screen becomes the active screen.
    virtual void activated() {}
    // Runs when the user closes the window. The default hides it and lets
    // the subclass decide where to go (its back button's action).
    virtual void closeRequested(QCloseEvent *event);

    bool event(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void becomeActive();
};
