#include "shell/application.h"

#include "builder/modemnokiaconfscreen.h"
#include "builder/modemoptionsscreen.h"
#include "loader/inputfrommodemscreen.h"
#include "loader/qtseriallink.h"
#include "loader/qttimersource.h"
#include "password/changepassscreen.h"
#include "settings/confadslscreen.h"
#include "shell/mainmenuscreen.h"

#include <QCoreApplication>

Application::Application()
    : makeSerialLink([] { return std::make_unique<QtSerialLink>(); })
    , m_realTimers(std::make_unique<QtTimerSource>())
    , m_timers(m_realTimers.get())
{
    changePass()->loadPassword();
    m_settings = loadSettings();
}

Application::~Application()
{
    // The transfer screen deletes itself on close; whatever is left goes now,
    // before the state it refers to.
    delete m_inputFromModem.data();
}

void Application::start()
{
    mainMenu()->showScreen();
}

void Application::quit()
{
    // Not QCoreApplication::quit(): it first asks every window to close,
    // and the transfer screen refuses while a transfer runs.
    if (m_inputFromModem)
        m_inputFromModem->dialogue().endForExit();
    QCoreApplication::exit(0);
}

template<typename T>
static T *lazily(std::unique_ptr<T> &screen, Application &app)
{
    if (!screen)
        screen = std::make_unique<T>(app);
    return screen.get();
}

MainMenuScreen *Application::mainMenu() { return lazily(m_mainMenu, *this); }
ConfAdslScreen *Application::confADSL() { return lazily(m_confADSL, *this); }
ModemOptionsScreen *Application::modemOptions() { return lazily(m_modemOptions, *this); }
ModemNokiaConfScreen *Application::modemNokiaConf() { return lazily(m_modemNokiaConf, *this); }
ChangePassScreen *Application::changePass() { return lazily(m_changePass, *this); }

Screen *Application::activeScreen() const
{
    return m_activeScreen.data();
}

void Application::setActiveScreen(Screen *screen)
{
    m_activeScreen = screen;
}

InputFromModemScreen *Application::inputFromModem()
{
    if (!m_inputFromModem)
        m_inputFromModem = new InputFromModemScreen(*this);
    return m_inputFromModem.data();
}
