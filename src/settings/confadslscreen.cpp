#include "settings/confadslscreen.h"

#include "device/portname.h"
#include "fields/dottedquad.h"
#include "fields/fieldrules.h"
#include "fields/netmask.h"
#include "settings/portbinding.h"
#include "settings/servicesettings.h"
#include "shell/messageboxes.h"
#include "shell/screenparts.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <functional>

namespace {

const QString screenCaption = QStringLiteral("Configuración del servicio ADSL");
const QString portFrameCaption = QStringLiteral("Selección del puerto de comunicaciones:");
const QString portCaption = QStringLiteral("Puerto de comunicaciones:");
// "Dígitios" (sic): the installers' guide quotes the caption as it has always read.
const QString phoneSizeFrameCaption = QStringLiteral("Dígitios del número de teléfono");
const QString minSizeCaption = QStringLiteral("Mínimo:");
const QString maxSizeCaption = QStringLiteral("Máximo:");
const QString circuitFrameCaption = QStringLiteral("Circuito ATM de usuario:");
const QString circuitCaptionHead = QStringLiteral("Circuito ATM:");
// The blanks the VCI field stands over; the VPI field follows the "*".
const QString circuitCaptionBlanks(27, u' ');
const QString circuitCaption = circuitCaptionHead + circuitCaptionBlanks + u'*';
const QString edcFrameCaption = QStringLiteral("Configuración de la gestión de EDCs:");
const QString dnsFrameCaption = QStringLiteral("Configuración DNS:");
const QString addressCaption = QStringLiteral("Dirección IP:");
const QString maskCaption = QStringLiteral("Máscara de red:");
const QString saveCaption = QStringLiteral("&Salvar");
const QString noPortText = QStringLiteral("no es un puerto");

const Message lengthMessage{
    QStringLiteral("Error en el tamaño del número de abonado"),
    QStringLiteral("El número máximo de dígitos que forman el número de abonado al servicio")
        + QStringLiteral("\n\r") // LF CR in that order, as the classic box broke it
        + QStringLiteral("debe ser mayor o igual al número mínimo."),
    MessageIcon::Warning};
const Message emptyMaskMessage{QStringLiteral("Error en la máscara de red EDC"),
                               // "A lá" (sic): the classic wording, which the installers know.
                               QStringLiteral("A lá máscara de red EDC le faltan campos por rellenar."),
                               MessageIcon::Warning};
const Message maskMessage{QStringLiteral("Error en la máscara de red EDC"),
                          QStringLiteral("Lá máscara de red EDC no tiene un formato válido."),
                          MessageIcon::Warning};
const Message portMessage{QStringLiteral("Error en el puerto de comunicaciones"),
                          QStringLiteral("El puerto de comunicaciones debe ser com seguido de su "
                                         "número, por ejemplo com1."),
                          MessageIcon::Warning};
const Message savedMessage{QStringLiteral("Configuración guardada."),
                           QStringLiteral("Se ha guardado con éxito la nueva configuración."),
                           MessageIcon::Information};
const QString writeFailureTitle = QStringLiteral("Error al guardar la configuración");
const QString bindFailureTitle = QStringLiteral("Error al asignar el adaptador");
const QString replaceTitle = QStringLiteral("Puerto ya asignado");

// The selector's numbered ports, com1 up to this one, come first; the
// adapters follow. Any higher number is typed in.
constexpr int numberedPorts = 14;

// Often enough to follow an adapter plugged in, far from a busy loop.
constexpr int adapterPollMs = 1000;

// A drop-down that says when it opens, so that it lists what is plugged in
// at that moment.
class PortSelector : public QComboBox
{
public:
    using QComboBox::QComboBox;
    std::function<void()> aboutToOpen;
    void showPopup() override
    {
        if (aboutToOpen)
            aboutToOpen();
        QComboBox::showPopup();
    }
};

QLineEdit *lineEdit(const char *name, int maxLength, QWidget *parent)
{
    auto *line = named<QLineEdit>(name, parent);
    if (maxLength > 0)
        line->setMaxLength(maxLength);
    return line;
}

} // namespace

ConfAdslScreen::ConfAdslScreen(ServiceSettings &settings, AdapterSource adapters)
    : m_settings(settings)
    , m_adapterSource(std::move(adapters))
{
    setObjectName(QStringLiteral("confADSL"));
    setWindowTitle(screenCaption);

    auto *optionsPort = named<QGroupBox>("optionsPort", portFrameCaption, this);
    auto *optionsPortTitle = named<QLabel>("optionsPortTitle", portCaption, optionsPort);
    auto *selector = new PortSelector(optionsPort);
    selector->aboutToOpen = [this] { refreshAdapters(); };
    portOptions = selector;
    portOptions->setObjectName(QStringLiteral("portOptions"));
    portOptions->setEditable(true);
    portOptions->setInsertPolicy(QComboBox::NoInsert);
    for (int port = 1; port <= numberedPorts; ++port)
        portOptions->addItem(portLabel(port));
    portDevice = named<QLabel>("portDevice", QString(), optionsPort);
    // Room for the usual devices, so that the window keeps its width while
    // the installer types a number.
    portDevice->setMinimumWidth(portDevice->fontMetrics().horizontalAdvance(
        portLabel(numberedPorts) + QStringLiteral(" \u2192 /dev/ttyUSB0 (no existe)")));
    auto *portRow = new QHBoxLayout(optionsPort);
    portRow->addWidget(optionsPortTitle);
    portRow->addWidget(portOptions);
    portRow->addWidget(portDevice);
    portRow->addStretch();

    auto *optionsPhoneSize = named<QGroupBox>("optionsPhoneSize", phoneSizeFrameCaption, this);
    auto *minSizeTitle = named<QLabel>("minSizeTitle", minSizeCaption, optionsPhoneSize);
    minSize = lineEdit("minSize", 1, optionsPhoneSize);
    auto *maxSizeTitle = named<QLabel>("maxSizeTitle", maxSizeCaption, optionsPhoneSize);
    maxSize = lineEdit("maxSize", 2, optionsPhoneSize);
    for (QLineEdit *count : {minSize, maxSize})
        count->setFixedWidth(digitFieldWidth(count->fontMetrics(), 3));
    auto *sizeRow = new QHBoxLayout(optionsPhoneSize);
    sizeRow->addWidget(minSizeTitle);
    sizeRow->addWidget(minSize);
    sizeRow->addSpacing(24);
    sizeRow->addWidget(maxSizeTitle);
    sizeRow->addWidget(maxSize);
    sizeRow->addStretch();

    // The two circuit fields stand over the blanks of the caption, the "*"
    // of the caption between them.
    auto *optionsATMCircuit = named<QGroupBox>("optionsATMCircuit", circuitFrameCaption, this);
    auto *circuitValuesTitle = named<QLabel>("circuitValuesTitle", circuitCaption, optionsATMCircuit);
    vciValue = lineEdit("vciValue", 0, circuitValuesTitle);
    vpiValue = lineEdit("vpiValue", 0, circuitValuesTitle);
    {
        const QFontMetrics metrics(circuitValuesTitle->font());
        const int blank = metrics.horizontalAdvance(u' ');
        const int headEnd = metrics.horizontalAdvance(circuitCaptionHead);
        const int starAt = metrics.horizontalAdvance(circuitCaptionHead + circuitCaptionBlanks);
        const int starEnd = metrics.horizontalAdvance(circuitCaption);
        const int width = qMax(starAt - headEnd - 2 * blank, 5 * metrics.horizontalAdvance(u'0'));
        const int height = vciValue->sizeHint().height();
        vciValue->setGeometry(headEnd + blank, 0, width, height);
        vpiValue->setGeometry(starEnd + blank, 0, width, height);
        circuitValuesTitle->setMinimumSize(starEnd + 2 * blank + width, height);
        circuitValuesTitle->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    }
    (new QHBoxLayout(optionsATMCircuit))->addWidget(circuitValuesTitle);

    auto *optionsEDCs = named<QGroupBox>("optionsEDCs", edcFrameCaption, this);
    // "ECD" (sic): the labels' object names, which the screen tests find them by.
    auto *ipAddECDTitle = named<QLabel>("ipAddECDTitle", addressCaption, optionsEDCs);
    ipAddEDC = new DottedQuad(QStringLiteral("ipAddEDC"), optionsEDCs);
    auto *maskAddECDTitle = named<QLabel>("maskAddECDTitle", maskCaption, optionsEDCs);
    maskAddEDC = new DottedQuad(QStringLiteral("maskAddEDC"), optionsEDCs);
    auto *edcGrid = new QGridLayout(optionsEDCs);
    edcGrid->addWidget(ipAddECDTitle, 0, 0);
    edcGrid->addWidget(ipAddEDC, 0, 1);
    edcGrid->addWidget(maskAddECDTitle, 1, 0);
    edcGrid->addWidget(maskAddEDC, 1, 1);

    auto *optionsConfDNS = named<QGroupBox>("optionsConfDNS", dnsFrameCaption, this);
    auto *ipAddDNSTitle = named<QLabel>("ipAddDNSTitle", addressCaption, optionsConfDNS);
    ipAddDNS = new DottedQuad(QStringLiteral("ipAddDNS"), optionsConfDNS);
    auto *dnsGrid = new QGridLayout(optionsConfDNS);
    dnsGrid->addWidget(ipAddDNSTitle, 0, 0);
    dnsGrid->addWidget(ipAddDNS, 0, 1);
    // Line up the DNS address under the EDC ones.
    const int titleWidth = maskAddECDTitle->sizeHint().width();
    edcGrid->setColumnMinimumWidth(0, titleWidth);
    dnsGrid->setColumnMinimumWidth(0, titleWidth);

    const FormButtons buttons = formButtons(this, "Save", saveCaption, "back2main");

    auto *layout = new QVBoxLayout(this);
    for (QGroupBox *group : {optionsPort, optionsPhoneSize, optionsATMCircuit, optionsEDCs, optionsConfDNS})
        layout->addWidget(group);
    layout->addLayout(buttons.layout);

    QList<QWidget *> order{portOptions, minSize, maxSize, vciValue, vpiValue};
    for (DottedQuad *quad : {ipAddEDC, maskAddEDC, ipAddDNS}) {
        for (int i = 0; i < 4; ++i)
            order << quad->field(i);
    }
    order << buttons.act << buttons.back;
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);

    auto *rules = new FieldRules(this);
    for (DottedQuad *quad : {ipAddEDC, maskAddEDC, ipAddDNS})
        rules->addOctets(quad, FieldRules::OctetLeave::RefuseEmpty);
    rules->addCounter(minSize, true);
    rules->addCounter(maxSize, false);
    rules->addCounter(vciValue, true);
    rules->addCounter(vpiValue, true);
    connect(rules, &FieldRules::changed, this, &ConfAdslScreen::fieldChanged);
    connect(portOptions, &QComboBox::currentTextChanged, this, &ConfAdslScreen::portTextChanged);
    connect(portOptions, &QComboBox::activated, this, &ConfAdslScreen::portChosen);
    m_adapterPoll = new QTimer(this);
    m_adapterPoll->setObjectName(QStringLiteral("adapterPoll"));
    m_adapterPoll->setInterval(adapterPollMs);
    connect(m_adapterPoll, &QTimer::timeout, this, &ConfAdslScreen::refreshAdapters);
    connect(buttons.act, &QPushButton::clicked, this, &ConfAdslScreen::save);
    connect(buttons.back, &QPushButton::clicked, this, &ConfAdslScreen::backToMainMenu);

    refreshAdapters();
    showSettings();
}

void ConfAdslScreen::showSettings()
{
    // The assignments below write back into the record one by one.
    const ServiceSettings shown = m_settings;
    const QString port = portLabel(shown.comPort);
    const int index = portOptions->findText(port);
    if (index >= 0)
        portOptions->setCurrentIndex(index);
    portOptions->setEditText(port);
    minSize->setText(shown.minSize);
    maxSize->setText(shown.maxSize);
    vciValue->setText(shown.vciValue);
    vpiValue->setText(shown.vpiValue);
    ipAddEDC->setOctets(shown.ipAddEDC);
    maskAddEDC->setOctets(shown.maskAddEDC);
    ipAddDNS->setOctets(shown.ipAddDNS);
    // Also when the text stays: the device may have come or gone meanwhile.
    showPortDevice();
}

void ConfAdslScreen::reload()
{
    m_settings = loadSettings();
    m_chosenAdapter.reset();
    refreshAdapters();
    showSettings();
}

void ConfAdslScreen::refreshAdapters()
{
    QList<SerialAdapter> now = m_adapterSource ? m_adapterSource() : QList<SerialAdapter>();
    if (now == m_adapters)
        return;
    // The installer's choice and typing stay as they were.
    const QString text = portOptions->currentText();
    const int cursor = portOptions->lineEdit()->cursorPosition();
    const int index = portOptions->currentIndex();
    std::optional<SerialAdapter> chosen = m_chosenAdapter;
    if (!chosen && index >= numberedPorts)
        chosen = m_adapters.value(index - numberedPorts);
    int newIndex = index < numberedPorts ? index : -1;
    const QSignalBlocker quiet(portOptions);
    while (portOptions->count() > numberedPorts)
        portOptions->removeItem(numberedPorts);
    for (const SerialAdapter &adapter : now) {
        // Plugged in again, it may have come back under another device.
        const bool same = chosen
            && (adapter.device == chosen->device || (!adapter.byId.isEmpty() && adapter.byId == chosen->byId));
        if (same) {
            newIndex = portOptions->count();
            if (m_chosenAdapter)
                m_chosenAdapter = adapter;
        }
        portOptions->addItem(adapterEntryText(adapter));
    }
    m_adapters = std::move(now);
    portOptions->setCurrentIndex(newIndex);
    portOptions->setEditText(text);
    portOptions->lineEdit()->setCursorPosition(cursor);
    showPortDevice();
}

void ConfAdslScreen::portChosen(int index)
{
    // A com entry (also what the line edit reports as it loses the focus)
    // only changes the number: the adapter chosen goes with it, as the label
    // beside the selector says, until another is chosen or the screen reloads.
    if (index < numberedPorts)
        return;
    // The selector keeps showing a number: the one the adapter has, or will
    // have once saved.
    m_chosenAdapter = m_adapters.value(index - numberedPorts);
    portOptions->setEditText(portLabel(portbinding::numberFor(*m_chosenAdapter, m_adapters)));
    showPortDevice();
}

void ConfAdslScreen::portTextChanged(const QString &text)
{
    // A text that names no port leaves the number as it was; Save refuses it.
    if (const std::optional<int> port = portNumberOf(text))
        m_settings.comPort = qint16(*port);
    showPortDevice();
}

void ConfAdslScreen::showPortDevice()
{
    const std::optional<int> port = portNumberOf(portOptions->currentText());
    if (!port)
        portDevice->setText(noPortText);
    else if (m_chosenAdapter)
        portDevice->setText(adapterPortText(*port, *m_chosenAdapter)
                            + (m_adapters.contains(*m_chosenAdapter) ? QString() : QStringLiteral(" (no existe)")));
    else
        portDevice->setText(portDeviceText(*port, m_adapters));
}

void ConfAdslScreen::fieldChanged(QLineEdit *field)
{
    ServiceSettings &settings = m_settings;
    const QString text = field->text();
    if (field == minSize)
        settings.minSize = text;
    else if (field == maxSize)
        settings.maxSize = text;
    else if (field == vciValue)
        settings.vciValue = text;
    else if (field == vpiValue)
        settings.vpiValue = text;
    else if (const int i = ipAddEDC->indexOf(field); i >= 0)
        settings.ipAddEDC[i] = text;
    else if (const int i = maskAddEDC->indexOf(field); i >= 0)
        settings.maskAddEDC[i] = text;
    else if (const int i = ipAddDNS->indexOf(field); i >= 0)
        settings.ipAddDNS[i] = text;
}

void ConfAdslScreen::save()
{
    ServiceSettings &settings = m_settings;
    // The file must hold the port the screen shows.
    if (!portNumberOf(portOptions->currentText())) {
        showMessage(this, portMessage);
        portOptions->setFocus(Qt::OtherFocusReason);
        return;
    }
    // A size that is not a number can only come from a hand-edited file; it
    // is refused like a maximum below the minimum.
    const std::optional<qint16> max = toInt16(settings.maxSize);
    const std::optional<qint16> min = toInt16(settings.minSize);
    if (!max || !min || *max < *min) {
        showMessage(this, lengthMessage);
        minSize->setFocus(Qt::OtherFocusReason);
        return;
    }
    if (anyOctetEmpty(settings.maskAddEDC)) {
        showMessage(this, emptyMaskMessage);
        maskAddEDC->field(3)->setFocus(Qt::OtherFocusReason);
        return;
    }
    if (!validMask(MaskSource::EdcNetwork, settings.maskAddEDC, settings.ipAddEDC)) {
        showMessage(this, maskMessage);
        maskAddEDC->field(3)->setFocus(Qt::OtherFocusReason);
        return;
    }
    QString error;
    if (!storeSettings(settings, &error)) {
        showMessage(this, {writeFailureTitle, error, MessageIcon::Critical});
        return;
    }
    bindChosenAdapter();
}

void ConfAdslScreen::bindChosenAdapter()
{
#ifndef Q_OS_WIN
    if (m_chosenAdapter) {
        const SerialAdapter adapter = *m_chosenAdapter;
        const int number = m_settings.comPort;
        const QString label = portLabel(number);
        const QString occupant = portbinding::occupant(number, adapter, m_adapters);
        bool replace = true;
        if (!occupant.isEmpty()) {
            // What an installer set up by hand goes only when they say so.
            const Message question{replaceTitle,
                                   QStringLiteral("El puerto %1 lleva ahora a %2, no al adaptador elegido.\n"
                                                  "¿Desea que %1 lleve al adaptador %3? Si responde No, %1 "
                                                  "queda como está.")
                                       .arg(label, occupant, adapterName(adapter)),
                                   MessageIcon::Warning, MessageButtons::YesNoDefaultNo};
            replace = showMessage(this, question) == MessageAnswer::Yes;
        }
        m_chosenAdapter.reset();
        QString error;
        if (replace && !portbinding::leadsTo(number, adapter) && !portbinding::bind(number, adapter, &error)) {
            m_chosenAdapter = adapter; // a second Save tries again
            showMessage(this, {bindFailureTitle,
                               error + QStringLiteral("\nEl resto de la configuración sí se ha guardado."),
                               MessageIcon::Warning});
            return;
        }
        showPortDevice();
    }
#endif
    showMessage(this, savedMessage);
}

void ConfAdslScreen::backToMainMenu()
{
    reload();
    hide();
    emit back();
}

void ConfAdslScreen::activated()
{
    reload();
}

void ConfAdslScreen::showEvent(QShowEvent *event)
{
    Screen::showEvent(event);
    m_adapterPoll->start();
}

void ConfAdslScreen::hideEvent(QHideEvent *event)
{
    m_adapterPoll->stop();
    Screen::hideEvent(event);
}

void ConfAdslScreen::closeRequested(QCloseEvent *event)
{
    event->accept();
    backToMainMenu();
}
