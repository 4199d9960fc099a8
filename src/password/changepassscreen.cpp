#include "password/changepassscreen.h"

#include "password/passwordstore.h"
#include "shell/messageboxes.h"
#include "shell/screenparts.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QWindow>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const int maxPasswordLength = 14;

Message emptyPasswordQuestion()
{
    return {QStringLiteral("Clave nula"),
            QStringLiteral("Ha introducido un valor nulo para la clave de accesso, ¿Desea "
                           "continuar?"),
            MessageIcon::Warning, MessageButtons::YesNo};
}

Message mismatchMessage()
{
    return {QStringLiteral("La repetición de la clave no coincide"),
            QStringLiteral("Las claves introducidas no coinciden.") + QStringLiteral("\n\r")
                + QStringLiteral("Compruebe que la clave y su confirmación coinciden."),
            MessageIcon::Warning, MessageButtons::Ok};
}

Message unstorableMessage()
{
    return {QStringLiteral("Clave no válida"),
            QStringLiteral("La clave introducida no se puede guardar en el fichero de claves.")
                + QStringLiteral("\n\r") + QStringLiteral("Elija otra clave."),
            MessageIcon::Warning, MessageButtons::Ok};
}

Message acceptedMessage()
{
    return {QStringLiteral("Clave de acceso modificada."),
            QStringLiteral("La clave de acceso a los modems ADSL ha sido modificada."),
            MessageIcon::Information, MessageButtons::Ok};
}

QLineEdit *passwordField(const QString &name, QWidget *parent)
{
    auto *field = new QLineEdit(parent);
    field->setObjectName(name);
    field->setEchoMode(QLineEdit::Password);
    field->setMaxLength(maxPasswordLength);
    // Typing adds nothing beyond the limit, yet a longer stored password
    // stays whole: the next transfer sets and stores what the field holds.
    QObject::connect(field, &QLineEdit::textEdited, field, [field](const QString &text) {
        field->setMaxLength(qMax(maxPasswordLength, int(text.size())));
    });
    return field;
}

void holdWhole(QLineEdit *field, const QString &password)
{
    field->setMaxLength(qMax(maxPasswordLength, int(password.size())));
    field->setText(password);
}

} // namespace

ChangePassScreen::ChangePassScreen(PasswordStore &store)
    : m_store(store)
{
    setObjectName(QStringLiteral("changePass"));
    setWindowTitle(QStringLiteral("Modificar clave de acceso..."));
    // Installers expect the asterisks they know, not the platform's bullet.
    setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));

    auto *pass1Title = new QLabel(QStringLiteral("Clave:"), this);
    pass1Title->setObjectName(QStringLiteral("pass1Title"));
    pass1 = passwordField(QStringLiteral("pass1"), this);
    auto *pass2Title = new QLabel(QStringLiteral("Confirmar clave:"), this);
    pass2Title->setObjectName(QStringLiteral("pass2Title"));
    pass2 = passwordField(QStringLiteral("pass2"), this);

    const FormButtons buttons = formButtons(this, "savePass", QStringLiteral("&Salvar"), "back2main");

    auto *fields = new QGridLayout;
    fields->addWidget(pass1Title, 0, 0);
    fields->addWidget(pass1, 0, 1);
    fields->addWidget(pass2Title, 1, 0);
    fields->addWidget(pass2, 1, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addStretch();
    layout->addLayout(buttons.layout);
    setMinimumWidth(320);

    setTabOrder(pass1, pass2);
    setTabOrder(pass2, buttons.act);
    setTabOrder(buttons.act, buttons.back);

    holdWhole(pass1, m_store.newPassword());
    holdWhole(pass2, m_store.newPassword());
    // A load takes what pass1 holds when it starts, confirmed or not.
    connect(pass1, &QLineEdit::textChanged, this, [this](const QString &text) { m_store.setNewPassword(text); });
    connect(buttons.act, &QPushButton::clicked, this, &ChangePassScreen::save);
    connect(buttons.back, &QPushButton::clicked, this, &ChangePassScreen::backToMainMenu);
}

void ChangePassScreen::loadPassword()
{
    m_store.loadPassword();
    const QString stored = m_store.currentPass();
    holdWhole(pass1, stored);
    holdWhole(pass2, stored);
}

const QString &ChangePassScreen::currentPass() const
{
    return m_store.currentPass();
}

QString ChangePassScreen::newPassword() const
{
    return pass1->text();
}

void ChangePassScreen::activated()
{
    loadPassword();
}

void ChangePassScreen::closeRequested(QCloseEvent *event)
{
    event->ignore();
    backToMainMenu();
}

void ChangePassScreen::save()
{
    const QString first = pass1->text();
    const QString second = pass2->text();
    if (first.isEmpty() && second.isEmpty()) {
        if (showMessage(this, emptyPasswordQuestion()) != MessageAnswer::Yes)
            return;
    } else if (first != second) {
        showMessage(this, mismatchMessage());
        return;
    }
    // A password the file cannot hold would be set on the modem and then
    // lost, locking the next transfer out of it.
    if (!passwordStorable(first)) {
        showMessage(this, unstorableMessage());
        return;
    }
    showMessage(this, acceptedMessage());
    hide();
    emit back();
}

void ChangePassScreen::backToMainMenu()
{
    const QString current = m_store.currentPass();
    holdWhole(pass1, current);
    holdWhole(pass2, current);
    hide();
    emit back();
}
