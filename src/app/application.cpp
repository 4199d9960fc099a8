#include "app/application.h"

#include "app/mainmenuscreen.h"
#include "builder/modemnokiaconfscreen.h"
#include "builder/modemoptionsscreen.h"
#include "device/qtseriallink.h"
#include "device/qttimersource.h"
#include "loader/inputfrommodemscreen.h"
#include "password/changepassscreen.h"
#include "settings/confadslscreen.h"

#include <QCoreApplication>

Application::Application(LinkMaker makeLink, TimerSource *timers)
    : m_makeLink(makeLink ? std::move(makeLink) : [] { return std::make_unique<QtSerialLink>(); })
    , m_realTimers(timers ? nullptr : std::make_unique<QtTimerSource>())
    , m_timers(timers ? timers : m_realTimers.get())
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

// Creates the screen on first use, and leads its back signal to `to`.
template<typename T, typename... Args>
static T *lazily(std::unique_ptr<T> &screen, std::function<void()> to, Args &&...args)
{
    if (!screen) {
        screen = std::make_unique<T>(std::forward<Args>(args)...);
        if (to)
            QObject::connect(screen.get(), &Screen::back, screen.get(), to);
    }
    return screen.get();
}

MainMenuScreen *Application::mainMenu()
{
    if (!m_mainMenu) {
        MainMenuScreen *menu = lazily(m_mainMenu, {});
        QObject::connect(menu, &MainMenuScreen::changePassChosen, menu, [this] { changePass()->showScreen(); });
        QObject::connect(menu, &MainMenuScreen::confADSLChosen, menu, [this] { confADSL()->showScreen(); });
        QObject::connect(menu, &MainMenuScreen::intrConfChosen, menu, [this] { modemOptions()->showScreen(); });
        QObject::connect(menu, &MainMenuScreen::loadConfChosen, menu, [this] { openTransferScreen(); });
        QObject::connect(menu, &MainMenuScreen::exitChosen, menu, [this] { quit(); });
    }
    return m_mainMenu.get();
}

ConfAdslScreen *Application::confADSL()
{
    return lazily(m_confADSL, [this] { mainMenu()->showScreen(); }, m_settings);
}

ModemOptionsScreen *Application::modemOptions()
{
    if (!m_modemOptions) {
        lazily(m_modemOptions, [this] { mainMenu()->showScreen(); });
        QObject::connect(m_modemOptions.get(), &ModemOptionsScreen::typeChosen, m_modemOptions.get(),
                         [this] { modemNokiaConf()->showScreen(); });
    }
    return m_modemOptions.get();
}

ModemNokiaConfScreen *Application::modemNokiaConf()
{
    // The type is asked for at each activation and Save, never kept here.
    return lazily(m_modemNokiaConf, [this] { modemOptions()->showScreen(); }, m_settings,
                  [this] { return modemOptions()->selectedType(); });
}

ChangePassScreen *Application::changePass()
{
    return lazily(m_changePass, [this] { mainMenu()->showScreen(); });
}

InputFromModemScreen *Application::inputFromModem()
{
    if (!m_inputFromModem) {
        // pass1 is read as a load starts, not when the screen opens.
        m_inputFromModem = new InputFromModemScreen(
            m_settings, [this] { return AccessPasswords{changePass()->currentPass(), changePass()->newPassword()}; },
            m_makeLink(), *m_timers);
        QObject::connect(m_inputFromModem.data(), &InputFromModemScreen::transferRunning, mainMenu(),
                         &MainMenuScreen::setTransferRunning);
    }
    return m_inputFromModem.data();
}

void Application::openTransferScreen()
{
    const ModemNokiaConfScreen *subscriber = modemNokiaConf();
    inputFromModem()->openFromMainMenu(subscriber->saved() ? std::optional(subscriber->telephone()) : std::nullopt,
                                       mainMenu());
}
