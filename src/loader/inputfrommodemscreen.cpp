#include "loader/inputfrommodemscreen.h"

#include "device/portname.h"

#include "device/timersource.h"
#include "fields/entryrules.h"
#include "fields/fieldrules.h"
#include "loader/loadmessages.h"
#include "loader/logview.h"
#include "loader/modemload.h"
#include "loader/preferences.h"
#include "settings/servicesettings.h"
#include "shell/messageboxes.h"
#include "shell/screenparts.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace {

const QString caption = QStringLiteral("Command log");
constexpr int gap = 8; // between the main menu and this window
const QString phoneTitle = QStringLiteral("Número de teléfono:");
const QString loadConfCaption = QStringLiteral("&Cargar configuración");
const QString closeCaption = QStringLiteral("C&errar");
const QString stopCaption = QStringLiteral("&Parar");
const QString fastLoadCaption = QStringLiteral("Carga &rápida (espera a que el módem conteste)");

const QString passwordPhaseText = QStringLiteral("Cambiando la clave de acceso");
const QString scriptPhaseText = QStringLiteral("Enviando la configuración");
const QString stoppingText = QStringLiteral("Parando la carga");
const QString remainingFormat = QStringLiteral("%1: quedan %2:%3");
const QString finishedText = QStringLiteral("Carga terminada");
const QString stoppedText = QStringLiteral("Carga parada por el usuario");
const QString interruptedText = QStringLiteral("Carga interrumpida");
const QString refusedText = QStringLiteral("Clave de acceso no aceptada");
const QString portPrefix = QStringLiteral("Puerto: ");
// An adapter plugged in or pulled out shows within about this long.
constexpr qint64 portRefresh = 1000;
const QString verdictDescription = QStringLiteral("Resultado de la carga");

const Message refuseCloseMessage{
    QString(),
    QStringLiteral("No se puede cerrar esta ventana mientras se carga la configuración en el "
                   "módem. Espere a que termine la carga o pulse \"Parar\" cuando esté activo."),
    MessageIcon::Warning, MessageButtons::Ok};

} // namespace

InputFromModemScreen::InputFromModemScreen(const ServiceSettings &settings, ModemLoad &load,
                                           TimerSource &timers, AdapterSource adapters)
    : m_settings(settings)
    , m_load(load)
    , m_adapters(std::move(adapters))
    , m_portTimer(timers.createTimer())
{
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("inputFromModem"));
    setWindowTitle(caption);

    auto *userPhoneNumTitle = named<QLabel>("userPhoneNumTitle", phoneTitle, this);
    userPhoneNumTitle->setFont(classicFont(12, true));
    userPhoneNumberValue = named<QLineEdit>("userPhoneNumberValue", this);
    userPhoneNumberValue->setFont(classicFont(12, true));

    inputValue = named<LogView>("inputValue", this);
    inputValue->setLog(&m_load.log());

    progress = named<QProgressBar>("progress", this);
    progress->setTextVisible(true);
    progress->setRange(0, 1);
    progress->setValue(0);
    progress->setFormat(QString());
    // A label, not the bar's painted text, so that a screen reader reads it.
    verdict = named<QLabel>("verdict", this);
    // A name would hide the text itself from a screen reader.
    verdict->setAccessibleDescription(verdictDescription);
    verdict->setWordWrap(true);
    verdict->setTextFormat(Qt::PlainText);
    verdict->setTextInteractionFlags(Qt::TextSelectableByMouse);

    loadConf = named<QPushButton>("loadConf", loadConfCaption, this);
    closeButton = named<QPushButton>("close", closeCaption, this);
    stopCommads = named<QPushButton>("stopCommads", stopCaption, this);
    fastLoad = named<QCheckBox>("fastLoad", fastLoadCaption, this);
    fastLoad->setChecked(Preferences::load().fastLoad);
    // A click leaves the focus where it is: the empty telephone field would
    // otherwise refuse the leave and drop the click.
    fastLoad->setFocusPolicy(Qt::TabFocus);

    portState = named<QLabel>("portState", this);
    portState->setTextFormat(Qt::PlainText);
    m_portTimer->timeout = [this] {
        showPort();
        m_portTimer->start(portRefresh);
    };

    auto *top = new QHBoxLayout;
    top->addWidget(userPhoneNumTitle);
    top->addWidget(userPhoneNumberValue, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(loadConf);
    buttons->addWidget(closeButton);
    buttons->addWidget(stopCommads);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(portState);
    layout->addWidget(inputValue, 1);
    layout->addWidget(progress);
    layout->addWidget(verdict);
    layout->addWidget(fastLoad);
    layout->addLayout(buttons);
    resize(640, 440);

    setTabOrder(userPhoneNumberValue, inputValue);
    setTabOrder(inputValue, closeButton);
    setTabOrder(closeButton, stopCommads);
    setTabOrder(stopCommads, loadConf);
    setTabOrder(loadConf, fastLoad);

    closeButton->setEnabled(false);
    inputValue->setEnabled(false);

    // The rules' invalidKey is this screen's `error`.
    auto *rules = new FieldRules(this);
    rules->addFileNumber(userPhoneNumberValue);
    connect(rules, &FieldRules::changed, this, [this] { updateLoadConf(); });

    connect(loadConf, &QPushButton::clicked, this, &InputFromModemScreen::startTransfer);
    connect(closeButton, &QPushButton::clicked, this, &InputFromModemScreen::closeClicked);
    connect(stopCommads, &QPushButton::clicked, &m_load, &ModemLoad::stop);
    connect(fastLoad, &QCheckBox::clicked, this, &InputFromModemScreen::saveFastLoad);

    connect(&m_load, &ModemLoad::runningChanged, this, &InputFromModemScreen::showRunning);
    connect(&m_load, &ModemLoad::stopAllowedChanged, stopCommads, &QWidget::setEnabled);
    connect(&m_load, &ModemLoad::phoneNumberRefused, userPhoneNumberValue, &QLineEdit::clear);
    connect(&m_load, &ModemLoad::progressChanged, this, &InputFromModemScreen::showProgress);
    connect(&m_load, &ModemLoad::finished, this, &InputFromModemScreen::showFinished);
}

InputFromModemScreen::~InputFromModemScreen()
{
    // The next window starts clean: the port is let go and the log emptied.
    if (!m_load.isRunning())
        m_load.release();
}

bool InputFromModemScreen::stopSendingCommands() const
{
    return m_load.stopSendingCommands();
}

void InputFromModemScreen::openFromMainMenu(const std::optional<QString> &savedPhone, const QWidget *beside)
{
    if (m_load.isRunning()) {
        showScreen();
        return;
    }
    userPhoneNumberValue->clear();
    loadConf->setEnabled(false);
    QString phone;
    if (savedPhone) {
        phone = *savedPhone;
        loadConf->setEnabled(true);
    }
    // A saved number longer than the limit stays whole: cut, it would name
    // another subscriber's file.
    userPhoneNumberValue->setMaxLength(
        qMax<int>(entryrules::phoneFieldLimit(m_settings.maxSize), int(phone.size())));
    userPhoneNumberValue->setText(phone);
    closeButton->setEnabled(true);
    stopCommads->setEnabled(false);
    if (!isVisible() && beside)
        placeBeside(*beside);
    showScreen();
}

void InputFromModemScreen::showPort()
{
    portState->setText(portPrefix + portDeviceText(m_settings.comPort, m_adapters()));
}

void InputFromModemScreen::showEvent(QShowEvent *event)
{
    showPort();
    m_portTimer->start(portRefresh);
    Screen::showEvent(event);
}

void InputFromModemScreen::hideEvent(QHideEvent *event)
{
    m_portTimer->stop();
    Screen::hideEvent(event);
}

void InputFromModemScreen::placeBeside(const QWidget &window)
{
    // The main menu stays in use beside the transfer: keep it uncovered
    // where the screen has room, to its right or else to its left.
    const QRect menu = window.frameGeometry();
    const QScreen *screen = window.screen();
    if (!screen) {
        move(menu.topRight() + QPoint(gap, 0));
        return;
    }
    const QRect area = screen->availableGeometry();
    const int roomRight = area.right() - menu.right() - gap;
    const int roomLeft = menu.left() - area.left() - gap;
    int x = roomRight >= width() || roomRight >= roomLeft ? menu.right() + gap
                                                          : menu.left() - gap - width();
    x = qBound(area.left(), x, qMax(area.left(), area.right() - width()));
    const int y = qBound(area.top(), menu.top(), qMax(area.top(), area.bottom() - height()));
    move(x, y);
}

void InputFromModemScreen::updateLoadConf()
{
    if (!m_load.isRunning())
        loadConf->setEnabled(!userPhoneNumberValue->text().isEmpty());
}

void InputFromModemScreen::startTransfer()
{
    if (m_load.isRunning())
        return;
    clearOutcome();
    // Nothing is chosen again while the script is read and the modem
    // power-cycled; the log box comes back with the load's own log.
    userPhoneNumberValue->setEnabled(false);
    loadConf->setEnabled(false);
    inputValue->setEnabled(false);
    if (const std::optional<Message> failure =
            m_load.prepare(userPhoneNumberValue->text(), m_settings.comPort, fastLoad->isChecked())) {
        showIdle();
        showMessage(this, *failure);
        return;
    }
    QPointer<InputFromModemScreen> self(this);
    showMessage(this, loadmessages::powerCycle());
    if (!self)
        return;
    if (const std::optional<Message> failure = m_load.begin()) {
        showIdle();
        showMessage(this, *failure);
        return;
    }
    if (m_load.isRunning())
        showScreen();
    else
        showIdle();
}

void InputFromModemScreen::clearOutcome()
{
    progress->setRange(0, 1);
    progress->setValue(0);
    progress->setFormat(QString());
    verdict->clear();
}

void InputFromModemScreen::closeClicked()
{
    hide();
    // The verdict goes with the log it judged.
    clearOutcome();
    closeButton->setEnabled(false);
    m_load.release();
}

void InputFromModemScreen::showIdle()
{
    userPhoneNumberValue->setEnabled(true);
    closeButton->setEnabled(true);
    stopCommads->setEnabled(false);
    // How a load is paced is chosen before it starts.
    fastLoad->setEnabled(true);
    updateLoadConf();
}

void InputFromModemScreen::showRunning(bool running)
{
    if (!running) {
        showIdle();
        return;
    }
    userPhoneNumberValue->setEnabled(false);
    loadConf->setEnabled(false);
    closeButton->setEnabled(false);
    fastLoad->setEnabled(false);
    inputValue->setEnabled(true);
}

void InputFromModemScreen::showFinished(bool stopped)
{
    inputValue->flush();
    progress->setRange(0, 1);
    progress->setValue(1);
    progress->setFormat(m_load.wasRefused()       ? refusedText
                        : m_load.wasInterrupted() ? interruptedText
                        : stopped                 ? stoppedText
                                                  : finishedText);
    verdict->setText(m_load.verdict());
}

void InputFromModemScreen::saveFastLoad(bool on)
{
    QString error;
    if (Preferences::saveFastLoad(on, &error))
        return;
    showMessage(this, {QStringLiteral("Error en el fichero de preferencias"),
                       QStringLiteral("No se ha podido guardar la elección de carga rápida en %1. "
                                      "Vale solo hasta que se cierre esta ventana.\r\n%2")
                           .arg(QDir::toNativeSeparators(QFileInfo(Preferences::fileName).absoluteFilePath()),
                                error),
                       MessageIcon::Warning, MessageButtons::Ok});
}

void InputFromModemScreen::showProgress(const TransferProgress &state)
{
    QString phase;
    switch (state.phase) {
    case TransferPhase::Password: phase = passwordPhaseText; break;
    case TransferPhase::Script: phase = scriptPhaseText; break;
    case TransferPhase::Stopping: phase = stoppingText; break;
    case TransferPhase::Idle: return;
    }
    const qint64 leftSeconds = (state.totalMs - state.elapsedMs + 999) / 1000;
    progress->setRange(0, int(qMax<qint64>(1, state.totalMs / 1000)));
    progress->setValue(int(state.elapsedMs / 1000));
    progress->setFormat(remainingFormat.arg(phase)
                            .arg(leftSeconds / 60)
                            .arg(leftSeconds % 60, 2, 10, QLatin1Char('0')));
}

void InputFromModemScreen::activated()
{
    m_load.viewActivated();
}

void InputFromModemScreen::closeRequested(QCloseEvent *event)
{
    // A load is never left without its window in the middle of the password
    // change or the modem's restart.
    if (m_load.isRunning()) {
        event->ignore();
        showMessage(this, refuseCloseMessage);
        return;
    }
    event->accept();
}
