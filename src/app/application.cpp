#include "app/application.h"

#include "app/mainmenuscreen.h"
#include "builder/modemnokiaconfscreen.h"
#include "builder/modemoptionsscreen.h"
#include "device/qtseriallink.h"
#include "device/qttimersource.h"
#include "loader/inputfrommodemscreen.h"
#include "loader/modemload.h"
#include "password/changepassscreen.h"
#include "settings/confadslscreen.h"
#include "shell/messageboxes.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QShortcut>

Application::Application(LinkMaker makeLink, TimerSource *timers, Guide guide, AdapterSource adapters)
    : m_guide(std::move(guide))
    , m_adapters(adapters ? std::move(adapters) : [] { return systemAdapters(); })
    , m_realTimers(timers ? nullptr : std::make_unique<QtTimerSource>())
    , m_timers(timers ? timers : m_realTimers.get())
{
    if (!m_guide.open)
        m_guide.open = QDesktopServices::openUrl;
    m_passwords.loadPassword();
    m_settings = loadSettings();

    m_load = std::make_unique<ModemLoad>(makeLink ? makeLink() : std::make_unique<QtSerialLink>(), *m_timers,
                                         m_passwords);
    // The main menu leads nowhere else while a load runs.
    QObject::connect(m_load.get(), &ModemLoad::runningChanged, m_load.get(), [this](bool running) {
        if (m_mainMenu)
            m_mainMenu->setTransferRunning(running);
    });
    // A lost port or log can be reported while the installer works on another
    // screen. Shown over the transfer window, closing the box would hand it the
    // activation, and the way back would count as a move that reloads or
    // empties the screen the installer never left.
    QObject::connect(m_load.get(), &ModemLoad::failed, m_load.get(), [this](const Message &message) {
        showMessage(m_activeScreen ? m_activeScreen.data() : static_cast<Screen *>(m_mainMenu.get()), message);
    });
}

Application::~Application()
{
    // The transfer screen deletes itself on close; whatever is left goes now,
    // before the load and the state it refers to.
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
    m_load->end();
    QCoreApplication::exit(0);
}

// Creates the screen on first use, and leads its back signal to `to`.
template<typename T, typename... Args>
T *Application::lazily(std::unique_ptr<T> &screen, std::function<void()> to, Args &&...args)
{
    if (!screen) {
        screen = std::make_unique<T>(std::forward<Args>(args)...);
        adopt(screen.get());
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
    return lazily(m_confADSL, [this] { mainMenu()->showScreen(); }, m_settings, m_adapters);
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
    return lazily(m_changePass, [this] { mainMenu()->showScreen(); }, m_passwords);
}

InputFromModemScreen *Application::inputFromModem()
{
    if (!m_inputFromModem) {
        m_inputFromModem = new InputFromModemScreen(m_settings, *m_load, *m_timers, m_adapters);
        adopt(m_inputFromModem.data());
    }
    return m_inputFromModem.data();
}

// F1 is the program's, so that the screens stay standalone.
void Application::adopt(Screen *screen)
{
    QObject::connect(screen, &Screen::becameActive, screen, [this, screen] { m_activeScreen = screen; });
    auto *f1 = new QShortcut(QKeySequence(Qt::Key_F1), screen);
    QObject::connect(f1, &QShortcut::activated, screen, [this, screen] {
        const auto found = std::find_if(m_guide.places.begin(), m_guide.places.end(),
                                        [](const QString &place) { return QFileInfo(place).isFile(); });
        const bool open = found != m_guide.places.end();
        if (open && m_guide.open(QUrl::fromLocalFile(*found)))
            return;
        QStringList where;
        for (const QString &place : open ? QStringList{*found} : m_guide.places)
            where << QDir::toNativeSeparators(QFileInfo(place).absoluteFilePath());
        showMessage(screen, {QStringLiteral("Guía del instalador"),
                             (open ? QStringLiteral("No se ha podido abrir la guía del instalador en el "
                                                    "navegador. Está en:\r\n")
                                   : QStringLiteral("No se encuentra la guía del instalador. Se ha buscado en:\r\n"))
                                 + where.join(QStringLiteral("\r\n")),
                             MessageIcon::Warning, MessageButtons::Ok});
    });
}

void Application::openTransferScreen()
{
    const ModemNokiaConfScreen *subscriber = modemNokiaConf();
    inputFromModem()->openFromMainMenu(subscriber->saved() ? std::optional(subscriber->telephone()) : std::nullopt,
                                       mainMenu());
}
