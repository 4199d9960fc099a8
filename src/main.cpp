#include "shell/application.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication qapp(argc, argv);
    // The program ends by M_Exit or the main menu's window, not when the
    // last window happens to close.
    QApplication::setQuitOnLastWindowClosed(false);
    Application app;
    app.start();
    return QApplication::exec();
}
