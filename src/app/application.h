#pragma once

// The house, from the top down; each floor includes only the floors below:
//   app/     main, Application, the main menu, start-up, the data folder:
//            the one place that knows every screen and wires them
//   screens  confADSL, modemOptions, modemNokiaConf, changePass and
//            inputFromModem, each built from what it needs, over the field
//            widgets (fields/) and the log view
//   logic    settings, entry rules and masks, the command script, the
//            password store, and ModemLoad: one load of a modem, owning
//            its link, log, log file and timed dialogue (adslcore)
//   shell/   what screens and logic share: the screen base, the message box
//            seam and messages, Octets, text files, deployment values
//   device/  the serial link, the Qt link, port naming, the timer source

#include "device/serialadapters.h"
#include "password/passwordstore.h"
#include "settings/servicesettings.h"

#include <QPointer>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <memory>

class MainMenuScreen;
class ConfAdslScreen;
class ModemOptionsScreen;
class ModemNokiaConfScreen;
class InputFromModemScreen;
class ChangePassScreen;
class ModemLoad;
class SerialLink;
class TimerSource;
class Screen;

// The installer's guide that F1 opens on every screen: the places its HTML
// may be, the first that exists wins, and what hands it to the desktop's
// browser (the desktop's own unless a test gives a stand-in).
struct Guide
{
    QStringList places;
    std::function<bool(const QUrl &)> open;
};

// The program: its shared state, its one modem load and its six screens, the
// one place that knows them all and leads from one to the next. Each screen
// exists at most once and is created hidden the first time anything asks for
// it; only the transfer screen is destroyed (when its window is closed) and
// made afresh over the same load. What goes wrong in a load is shown over
// whichever screen the installer is on.
class Application
{
public:
    using LinkMaker = std::function<std::unique_ptr<SerialLink>()>;

    // Start-up, in a data folder already held and put right
    // (datafolder::Hold): the stored password, then the stored settings;
    // no screen is built.
    // Never fails. The transfer talks through the real serial port and
    // clock, and the screens list the system's adapters, unless a test
    // gives stand-ins.
    explicit Application(LinkMaker makeLink = {}, TimerSource *timers = nullptr, Guide guide = {},
                         AdapterSource adapters = {});
    ~Application();
    Application(const Application &) = delete;
    Application &operator=(const Application &) = delete;

    // Shows the main menu.
    void start();
    // Ends the program at once, wherever the other screens stand; a running
    // load ends first, as after a lost port.
    void quit();

    // The one ServiceSettings record: what the settings screen shows and
    // edits, saved or not, is what every other screen reads.
    ServiceSettings &settings() { return m_settings; }
    PasswordStore &passwords() { return m_passwords; }
    ModemLoad &load() { return *m_load; }

    MainMenuScreen *mainMenu();
    ConfAdslScreen *confADSL();
    ModemOptionsScreen *modemOptions();
    ModemNokiaConfScreen *modemNokiaConf();
    ChangePassScreen *changePass();
    InputFromModemScreen *inputFromModem();
    bool hasInputFromModem() const { return !m_inputFromModem.isNull(); }

private:
    template<typename T, typename... Args>
    T *lazily(std::unique_ptr<T> &screen, std::function<void()> to, Args &&...args);
    // F1, and the place of the load's messages.
    void adopt(Screen *screen);
    void openTransferScreen();

    ServiceSettings m_settings;
    PasswordStore m_passwords;
    Guide m_guide;
    AdapterSource m_adapters;
    std::unique_ptr<TimerSource> m_realTimers;
    TimerSource *m_timers;
    std::unique_ptr<ModemLoad> m_load;
    QPointer<Screen> m_activeScreen;
    std::unique_ptr<MainMenuScreen> m_mainMenu;
    std::unique_ptr<ConfAdslScreen> m_confADSL;
    std::unique_ptr<ModemOptionsScreen> m_modemOptions;
    std::unique_ptr<ModemNokiaConfScreen> m_modemNokiaConf;
    std::unique_ptr<ChangePassScreen> m_changePass;
    QPointer<InputFromModemScreen> m_inputFromModem;
};
