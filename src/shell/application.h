#pragma once

#include "settings/servicesettings.h"

#include <QPointer>

#include <functional>
#include <memory>

class MainMenuScreen;
class ConfAdslScreen;
class ModemOptionsScreen;
class ModemNokiaConfScreen;
class InputFromModemScreen;
class ChangePassScreen;
class Screen;
class SerialLink;
class TimerSource;

// The program's shared state and its six screens. Each screen exists at most
// once and is created hidden the first time anything asks for it; only the
// transfer screen is destroyed (when its window is closed) and made afresh.
class Application
{
public:
    // Start-up, in a data folder already held and put right
    // (datafolder::Hold): the stored password, then the stored settings.
    // Never fails.
    Application();
    ~Application();
    Application(const Application &) = delete;
    Application &operator=(const Application &) = delete;

    // Shows the main menu.
    void start();
    // Ends the program at once, wherever the other screens stand.
    void quit();

    // The one ServiceSettings record: what the settings screen shows and
    // edits, saved or not, is what every other screen reads.
    ServiceSettings &settings() { return m_settings; }

    MainMenuScreen *mainMenu();
    ConfAdslScreen *confADSL();
    ModemOptionsScreen *modemOptions();
    ModemNokiaConfScreen *modemNokiaConf();
    ChangePassScreen *changePass();
    InputFromModemScreen *inputFromModem();
    bool hasInputFromModem() const { return !m_inputFromModem.isNull(); }

    // The screen that last became the active one (see Screen).
    Screen *activeScreen() const;
    void setActiveScreen(Screen *screen);

    // What the transfer talks through. Tests replace both before the
    // transfer screen is first used.
    std::function<std::unique_ptr<SerialLink>()> makeSerialLink;
    TimerSource &timers() { return *m_timers; }
    void setTimerSource(TimerSource *timers) { m_timers = timers; }

private:
    ServiceSettings m_settings;
    std::unique_ptr<TimerSource> m_realTimers;
    TimerSource *m_timers = nullptr;
    std::unique_ptr<MainMenuScreen> m_mainMenu;
    std::unique_ptr<ConfAdslScreen> m_confADSL;
    std::unique_ptr<ModemOptionsScreen> m_modemOptions;
    std::unique_ptr<ModemNokiaConfScreen> m_modemNokiaConf;
    std::unique_ptr<ChangePassScreen> m_changePass;
    QPointer<InputFromModemScreen> m_inputFromModem;
    QPointer<Screen> m_activeScreen;
};
