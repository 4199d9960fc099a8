#include "shell/mainmenuscreen.h"

#include "builder/modemoptionsscreen.h"
#include "loader/inputfrommodemscreen.h"
#include "password/changepassscreen.h"
#include "settings/confadslscreen.h"
#include "shell/application.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QPushButton>
#include <QVBoxLayout>

MainMenuScreen::MainMenuScreen(Application &app)
    : Screen(app)
{
    setObjectName(QStringLiteral("main"));
    setWindowTitle(QStringLiteral("Configuración Módem NOKIA M1112"));

    auto *options = new QGroupBox(QStringLiteral("Seleccione una opción:"), this);
    options->setObjectName(QStringLiteral("options"));
    auto *buttons = new QVBoxLayout(options);
    auto addButton = [&](const char *name, const QString &caption) {
        auto *button = new QPushButton(caption, options);
        button->setObjectName(QString::fromLatin1(name));
        button->setMinimumHeight(32);
        buttons->addWidget(button);
        return button;
    };
    M_changePass = addButton("M_changePass", QStringLiteral("Modificar &clave de acceso"));
    M_confADSL = addButton("M_confADSL", QStringLiteral("Configuración del Servicio &ADSL"));
    M_intrConf = addButton("M_intrConf", QStringLiteral("&Introducir datos configuración"));
    M_loadConf = addButton("M_loadConf", QStringLiteral("&Cargar Configuración en el Módem"));
    M_Exit = addButton("M_Exit", QStringLiteral("&Salir de la aplicación"));

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(options);
    setMinimumWidth(340);

    connect(M_changePass, &QPushButton::clicked, this, [this] {
        m_app.changePass()->showScreen();
        hide();
    });
    connect(M_confADSL, &QPushButton::clicked, this, [this] {
        m_app.confADSL()->showScreen();
        hide();
    });
    connect(M_intrConf, &QPushButton::clicked, this, [this] {
        m_app.modemOptions()->showScreen();
        hide();
    });
    connect(M_loadConf, &QPushButton::clicked, this, &MainMenuScreen::openTransferScreen);
    connect(M_Exit, &QPushButton::clicked, this, [this] { m_app.quit(); });
}

void MainMenuScreen::setTransferRunning(bool running)
{
    M_loadConf->setEnabled(!running);
    M_changePass->setEnabled(!running);
    M_confADSL->setEnabled(!running);
    M_intrConf->setEnabled(!running);
}

void MainMenuScreen::closeRequested(QCloseEvent *event)
{
    event->accept();
    m_app.quit();
}

void MainMenuScreen::openTransferScreen()
{
    m_app.inputFromModem()->openFromMainMenu();
}
