#include "app/mainmenuscreen.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QPushButton>
#include <QVBoxLayout>

MainMenuScreen::MainMenuScreen()
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
    QPushButton *M_Exit = addButton("M_Exit", QStringLiteral("&Salir de la aplicación"));

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(options);
    setMinimumWidth(340);

    connect(M_changePass, &QPushButton::clicked, this, [this] {
        emit changePassChosen();
        hide();
    });
    connect(M_confADSL, &QPushButton::clicked, this, [this] {
        emit confADSLChosen();
        hide();
    });
    connect(M_intrConf, &QPushButton::clicked, this, [this] {
        emit intrConfChosen();
        hide();
    });
    connect(M_loadConf, &QPushButton::clicked, this, &MainMenuScreen::loadConfChosen);
    connect(M_Exit, &QPushButton::clicked, this, &MainMenuScreen::exitChosen);
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
    emit exitChosen();
}
