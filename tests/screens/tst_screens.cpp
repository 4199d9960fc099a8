#include "app/application.h"
#include "app/datafolder.h"
#include "app/mainmenuscreen.h"
#include "builder/modemnokiaconfscreen.h"
#include "builder/modemoptionsscreen.h"
#include "fields/dottedquad.h"
#include "fields/fieldrules.h"
#include "loader/inputfrommodemscreen.h"
#include "loader/logview.h"
#include "loader/preferences.h"
#include "loader/transferlog.h"
#include "password/changepassscreen.h"
#include "password/passwordstore.h"
#include "settings/confadslscreen.h"
#include "settings/servicesettings.h"
#include "shell/messageboxes.h"

#include "fakeseriallink.h"
#include "virtualtimersource.h"
#include "workdir.h"

#include <QApplication>
#include <QApplicationStateChangeEvent>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

// Every screen, through real widgets and key events.

// For QCOMPARE failure output.
inline char *toString(const Message &m)
{
    return QTest::toString(
        QStringLiteral("[%1 | %2 | icon %3 | buttons %4]").arg(m.title, m.text).arg(int(m.icon)).arg(int(m.buttons)));
}

namespace {

// Stands in for the toolkit's message boxes in screen tests: records every
// box shown, answers from a queue (OK, or Yes when the queue is empty), and
// can run a test's action, given the box's parent, while the box is "open".
class RecordingMessageBoxes final : public MessageBoxes
{
public:
    RecordingMessageBoxes() { setMessageBoxes(this); }
    ~RecordingMessageBoxes() override { setMessageBoxes(nullptr); }

    MessageAnswer show(QWidget *parent, const Message &message) override
    {
        shown.append(message);
        if (whileOpen)
            whileOpen(parent);
        if (message.buttons == MessageButtons::Ok)
            return MessageAnswer::Ok;
        return answers.isEmpty() ? MessageAnswer::Yes : answers.takeFirst();
    }

    Message last() const { return shown.isEmpty() ? Message() : shown.last(); }

    QList<Message> shown;
    QList<MessageAnswer> answers;
    std::function<void(QWidget *parent)> whileOpen;
};

using Captions = QList<std::pair<QString, QString>>;

Octets quad(const QString &dotted)
{
    const QStringList parts = dotted.split(u'.');
    return {parts.value(0), parts.value(1), parts.value(2), parts.value(3)};
}

void click(QWidget *widget) { QTest::mouseClick(widget, Qt::LeftButton); }

// A control of a screen, by its name.
template<typename T = QWidget>
T *child(const QWidget *screen, const char *name) { return screen->findChild<T *>(QLatin1String(name)); }
QLineEdit *line(const QWidget *screen, const char *name) { return child<QLineEdit>(screen, name); }
DottedQuad *quadOf(const QWidget *screen, const char *name) { return child<DottedQuad>(screen, name); }
void click(const QWidget *screen, const char *name) { click(child(screen, name)); }

// A group's title, or a label's or a button's text.
QString caption(const QWidget *screen, const char *name)
{
    const QWidget *w = screen->findChild<QWidget *>(name);
    return w ? w->property(w->property("title").isValid() ? "title" : "text").toString() : "<none>";
}

// The names of the first n widgets that Tab reaches from first on.
QStringList tabOrder(QWidget *first, qsizetype n)
{
    QStringList names;
    for (QWidget *w = first; names.size() < n; w = w->nextInFocusChain()) {
        if (w->focusPolicy() != Qt::NoFocus && !w->focusProxy())
            names << w->objectName();
    }
    return names;
}

// octetNames({"a", "b"}) gives a_0 .. a_3, b_0 .. b_3: the octets of dotted quads.
QStringList octetNames(std::initializer_list<const char *> quads)
{
    QStringList names;
    for (const char *name : quads) {
        for (int i = 0; i < 4; ++i)
            names << QStringLiteral("%1_%2").arg(QLatin1String(name)).arg(i);
    }
    return names;
}

// Field rules.
const Message octetKey{"Error: Formato no válido", "Sólo se permite introducir números entre 0 y 9", MessageIcon::Warning};
const Message digitKey{"Formato no válido", "Introduzca dígitos comprendidos entre 1 y 9 (ambos inclusive)",
                       MessageIcon::Warning};
const Message range{"Formato no válido", "Se debe introducir un número entre 0 y 255", MessageIcon::Critical};
const Message counter{"Formato no válido", "Introduzca un valor entre 1 y 99 (ambos inclusive)", MessageIcon::Warning};
const Message shortPhone{"Error:Formato no válido", "El número de teléfono debe contener entre 9 y 9 digitos.",
                         MessageIcon::Warning};
const Message noFile{"Error", "Introduzca un fichero de configuración.", MessageIcon::Warning};

// The settings screen.
const Message lengthMessage{"Error en el tamaño del número de abonado",
                            "El número máximo de dígitos que forman el número de abonado al servicio\n\r"
                            "debe ser mayor o igual al número mínimo.",
                            MessageIcon::Warning};
const Message emptyMaskMessage{"Error en la máscara de red EDC", "A lá máscara de red EDC le faltan campos por rellenar.",
                               MessageIcon::Warning};
const Message maskMessage{"Error en la máscara de red EDC", "Lá máscara de red EDC no tiene un formato válido.",
                          MessageIcon::Warning};
const Message savedMessage{"Configuración guardada.", "Se ha guardado con éxito la nueva configuración.",
                           MessageIcon::Information};
const QString ftdiById = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0";
const SerialAdapter ttyS1{"/dev/ttyS1", "", "", "", ""}; // the machine's own second port
const SerialAdapter ftdi{"/dev/ttyUSB0", ftdiById, "FT232R USB UART", "FTDI", "A50285BI"};
const SerialAdapter uno{"/dev/ttyACM0", "", "Arduino Uno", "", ""};
const QString ftdiEntry = "FTDI FT232R USB UART nº A50285BI (ttyUSB0)";
const QString ftdiAt = " → FTDI FT232R USB UART (usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0)";

// Picks an entry of the drop-down as the installer does.
void choose(QComboBox *box, int index)
{
    box->setCurrentIndex(index);
    emit box->activated(index);
}

// The subscriber screen.
const Message storedMessage{"Salvar...", "Fichero de configuración almacenado.", MessageIcon::Information};
const QString badPhone = "El número de teléfono de abonado no es válido o no ha sido rellenado.";

// The password screen.
const Message emptyQuestion{"Clave nula", "Ha introducido un valor nulo para la clave de accesso, ¿Desea continuar?",
                            MessageIcon::Warning, MessageButtons::YesNo};
const Message mismatch{"La repetición de la clave no coincide",
                       "Las claves introducidas no coinciden.\n\rCompruebe que la clave y su confirmación coinciden.",
                       MessageIcon::Warning};
const Message unstorable{"Clave no válida",
                         "La clave introducida no se puede guardar en el fichero de claves.\n\rElija otra clave.",
                         MessageIcon::Warning};
const Message accepted{"Clave de acceso modificada.", "La clave de acceso a los modems ADSL ha sido modificada.",
                       MessageIcon::Information};

void clickOption(const QWidget *screen, const char *name)
{
    auto *option = child<QRadioButton>(screen, name);
    QTest::mouseClick(option, Qt::LeftButton, {}, QPoint(6, option->height() / 2));
}

// Drops the platform's own activation events, so that every screen sees only
// what a test sends: the same run on every platform, and a program whose
// shows must do without them.
class NoPlatformActivation : public QObject
{
public:
    NoPlatformActivation() { qApp->installEventFilter(this); }
    bool eventFilter(QObject *, QEvent *event) override
    {
        const QEvent::Type type = event->type();
        return event->spontaneous()
            && (type == QEvent::WindowActivate || type == QEvent::WindowDeactivate
                || type == QEvent::ApplicationStateChange);
    }
};

void send(QObject *to, QEvent::Type type)
{
    QEvent event(type);
    QCoreApplication::sendEvent(to, &event);
}

void sendState(Qt::ApplicationState state)
{
    QApplicationStateChangeEvent event(state);
    QCoreApplication::sendEvent(qApp, &event);
}

} // namespace

class TestScreens : public QObject
{
    Q_OBJECT

    // An empty working folder, its message boxes recorded; the screens under
    // test, each built alone on the record `settings`, or the whole program.
    struct Fixture
    {
        WorkDir dir;
        RecordingMessageBoxes boxes;
        VirtualTimerSource clock; // outlives the transfer screen's timers
        FakeSerialLink *link = nullptr;
        ServiceSettings settings = loadSettings();
        QList<SerialAdapter> adapters; // plugged in, as the settings screen is told
        int adapterReads = 0;
        bool transferRunning = false; // as the screen last told
        QList<QUrl> opened; // what F1 asked the desktop to show
        bool browserOpens = true;
        std::unique_ptr<Application> app;
        QList<QPointer<Screen>> alone;

        ~Fixture() { qDeleteAll(QList<Screen *>(alone.begin(), alone.end())); }
    };
    std::unique_ptr<Fixture> f;

    std::unique_ptr<SerialLink> makeLink()
    {
        auto made = std::make_unique<FakeSerialLink>(&f->clock);
        f->link = made.get();
        return made;
    }
    Application &program()
    {
        if (!f->app)
            f->app = std::make_unique<Application>(
                [this] { return makeLink(); }, &f->clock,
                Guide{{f->dir.file("falta/guia.html"), f->dir.file("guia.html")}, [this](const QUrl &url) {
                          f->opened << url;
                          return f->browserOpens;
                      }},
                [this] { return f->adapters; });
        return *f->app;
    }
    // A screen built alone on the record `settings` and the stand-ins, then
    // shown (the transfer screen as the main menu opens it, nothing saved).
    template<typename S = Screen>
    S *alone(const QString &name, ConfigType type = ConfigType::DHCP)
    {
        Screen *s = name == "confADSL" ? static_cast<Screen *>(new ConfAdslScreen(f->settings, [this] {
                                                                   ++f->adapterReads;
                                                                   return f->adapters;
                                                               }))
            : name == "changePass"     ? static_cast<Screen *>(new ChangePassScreen)
            : name == "modemNokiaConf" ? new ModemNokiaConfScreen(f->settings, [type] { return type; })
                                       : nullptr;
        if (s) {
            s->showScreen();
        } else {
            auto *transfer = new InputFromModemScreen(
                f->settings, [] { return AccessPasswords{"trumelox", "trumelox"}; }, makeLink(), f->clock,
                [this] { return f->adapters; });
            connect(transfer, &InputFromModemScreen::transferRunning, [this](bool running) { f->transferRunning = running; });
            transfer->openFromMainMenu(std::nullopt, nullptr);
            s = transfer;
        }
        f->alone << s;
        return QTest::qWaitForWindowActive(s) ? static_cast<S *>(s) : nullptr;
    }
    void fillSubscriber(const QWidget *s, const QStringList &entries) // telephone, then the four addresses and masks
    {
        line(s, "userPhoneNumValue")->setText(entries[0]);
        const char *names[] = {"userIpAdd", "userMaskAdd", "modEtherIpAdd", "modEtherMaskAdd"};
        for (int i = 0; i < 4; ++i)
            if (!entries.value(i + 1).isNull())
                quadOf(s, names[i])->setOctets(quad(entries[i + 1]));
    }
    // Builds the screen of "screen/field", the settings one by default, shows
    // it and empties the field. The subscriber's telephone is made valid, so
    // that the focus may leave it.
    QLineEdit *showField(const QString &where)
    {
        const QString name = where.contains('/') ? where.section('/', 0, 0) : "confADSL";
        Screen *s = alone(name);
        if (!s)
            return nullptr;
        if (name == "modemNokiaConf")
            line(s, "userPhoneNumValue")->setText("912345678");
        auto *field = s->findChild<QLineEdit *>(where.section('/', -1));
        if (field)
            field->clear();
        return field;
    }
    void focusInto(QLineEdit *field)
    {
        click(field);
        QCOMPARE(QApplication::focusWidget(), field);
    }
    // A script of `lines` lines for 912345678: what the transfer screen finds.
    void writeScript(int lines)
    {
        QByteArray bytes;
        for (int i = 0; i < lines; ++i)
            bytes += "line " + QByteArray::number(i) + "\r\n";
        QVERIFY(QDir().mkpath("configuraciones"));
        QVERIFY(writeBytes("configuraciones/912345678.cfg", bytes));
    }
    // Enabled states of userPhoneNumberValue, loadConf, close, stopCommads,
    // inputValue, then whether the main menu may lead elsewhere: "11100/1".
    QString states(const QWidget *s)
    {
        QString out;
        for (const char *name : {"userPhoneNumberValue", "loadConf", "close", "stopCommads", "inputValue"})
            out += child(s, name)->isEnabled() ? u'1' : u'0';
        return out + (f->transferRunning ? "/0" : "/1");
    }

private slots:
    void init() { f = std::make_unique<Fixture>(); }
    void cleanup() { f.reset(); }

    // Also after a run killed in the middle of saves and of a transfer's
    // password phase: the temporaries go, and the journal takes back the
    // password the modem never got (here: none was stored before).
    void startsWithDefaultsAndEndsLeavingTheFolderEmpty()
    {
        f.reset(); // the program must start in the folder made below
        WorkDir dir;
        RecordingMessageBoxes boxes;
        for (const char *name : {"conf_gen.dat~adslconf-tmp~AbC123", "claves.dat~adslconf-tmp~xYz789"})
            QVERIFY(writeBytes(QString::fromLatin1(name), "cut short"));
        QVERIFY(storePasswordJournaled(QStringLiteral("nueva1")));
#ifdef Q_OS_UNIX
        // Would block a plain read for ever.
        QCOMPARE(::mkfifo(settingsFileName.toLatin1().constData(), 0600), 0);
#endif
        {
            QCOMPARE(datafolder::Hold().take().outcome, datafolder::Hold::Outcome::Started);
            Application app;
            QCOMPARE(app.changePass()->currentPass(), QStringLiteral("trumelox"));
            QCOMPARE(app.changePass()->newPassword(), QStringLiteral("trumelox"));
            app.start();
            MainMenuScreen *menu = app.mainMenu();
            QVERIFY(QTest::qWaitForWindowExposed(menu));
            const QList<QPushButton *> buttons = menu->findChildren<QPushButton *>();
            for (QPushButton *b : buttons)
                QCOMPARE(b->size(), buttons[0]->size());
            QTimer::singleShot(0, menu, [&] { click(menu, "M_Exit"); });
            QCOMPARE(QApplication::exec(), 0);
        }
        QVERIFY(boxes.shown.isEmpty());
        QStringList left = QDir(dir.path()).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot | QDir::Hidden);
#ifdef Q_OS_UNIX
        QCOMPARE(left.removeAll(settingsFileName), 1);
#endif
        QCOMPARE(left, QStringList());
    }

    // Each screen's title (the subscriber screen's: subscriberActivation),
    // captions, the order Tab takes, and F1 asking the desktop for the guide
    // in the first place that holds it; the main menu opens it alone, and its
    // back button and its window's close both return to the menu (the
    // subscriber screen's return to the type screen: subscriberActivation).
    void eachScreen_data()
    {
        QTest::addColumn<QString>("screen");
        QTest::addColumn<QString>("button"); // the main menu's, that opens it
        QTest::addColumn<QString>("title");
        QTest::addColumn<Captions>("captions");
        QTest::addColumn<QStringList>("tabOrder");

        QTest::newRow("main menu") << "main" << "" << "Configuración Módem NOKIA M1112"
                                   << Captions{{"options", "Seleccione una opción:"},
                                               {"M_changePass", "Modificar &clave de acceso"},
                                               {"M_confADSL", "Configuración del Servicio &ADSL"},
                                               {"M_intrConf", "&Introducir datos configuración"},
                                               {"M_loadConf", "&Cargar Configuración en el Módem"},
                                               {"M_Exit", "&Salir de la aplicación"}}
                                   << QStringList{"M_changePass", "M_confADSL", "M_intrConf", "M_loadConf", "M_Exit"};
        QTest::newRow("settings") << "confADSL" << "M_confADSL" << "Configuración del servicio ADSL"
                                  << Captions{{"optionsPort", "Selección del puerto de comunicaciones:"},
                                              {"optionsPortTitle", "Puerto de comunicaciones:"},
                                              {"optionsPhoneSize", "Dígitios del número de teléfono"},
                                              {"minSizeTitle", "Mínimo:"}, {"maxSizeTitle", "Máximo:"},
                                              {"optionsATMCircuit", "Circuito ATM de usuario:"},
                                              {"circuitValuesTitle", "Circuito ATM:                           *"},
                                              {"optionsEDCs", "Configuración de la gestión de EDCs:"},
                                              {"ipAddECDTitle", "Dirección IP:"}, {"maskAddECDTitle", "Máscara de red:"},
                                              {"optionsConfDNS", "Configuración DNS:"}, {"ipAddDNSTitle", "Dirección IP:"},
                                              {"Save", "&Salvar"}, {"back2main", "&Volver"}}
                                  << QStringList{"portOptions", "minSize", "maxSize", "vciValue", "vpiValue"}
                                         + octetNames({"ipAddEDC", "maskAddEDC", "ipAddDNS"})
                                         + QStringList{"Save", "back2main"};
        QTest::newRow("type") << "modemOptions" << "M_intrConf" << "Selección de módem ADSL"
                              << Captions{{"modemTitle", "Módem ADSL:"},
                                          {"typeConfTitle", "Tipo de configuración:"},
                                          {"DHCP_NAPT_0", "Modo M&onopuesto, con DHCP y sin NAPT"},
                                          {"DHCP_NAPT_1", "Modo M&ultipuesto, sin DHCP y con NAPT"},
                                          {"configure", "Ac&eptar"}}
                              << QStringList{"configure", "back2main", "modemSelected", "DHCP_NAPT_0", "DHCP_NAPT_1"};
        QTest::newRow("subscriber") << "modemNokiaConf" << "" << ""
                                    << Captions{{"userPhoneNumTitle", "Teléfono:"},
                                                {"serviceTypeTitle", "Modalidad de Servicio:"},
                                                {"userConfTitle", "Configuración de usuario:"},
                                                {"UserIpAddTitle", "Dirección IP:"}, {"modEtherMasAddTitle", "Máscara de red:"},
                                                {"saveModConf", "&Salvar"}}
                                    << QStringList{"userPhoneNumValue", "servicetypevalue_0"}
                                           + octetNames({"userIpAdd", "userMaskAdd", "modEtherIpAdd", "modEtherMaskAdd"})
                                           + QStringList{"saveModConf", "back2ModOpt", "servicetypevalue_1",
                                                         "servicetypevalue_2"};
        QTest::newRow("password") << "changePass" << "M_changePass" << "Modificar clave de acceso..."
                                  << Captions{{"pass1Title", "Clave:"}, {"pass2Title", "Confirmar clave:"}, {"savePass", "&Salvar"}}
                                  << QStringList{"pass1", "pass2", "savePass", "back2main"};
        QTest::newRow("transfer") << "inputFromModem" << "" << "Command log"
                                  << Captions{{"userPhoneNumTitle", "Número de teléfono:"}, {"loadConf", "&Cargar configuración"},
                                              {"close", "C&errar"}, {"stopCommads", "&Parar"}}
                                  << QStringList{"userPhoneNumberValue", "inputValue", "close", "stopCommads", "loadConf"};
    }

    void eachScreen()
    {
        QFETCH(QString, screen);
        QFETCH(QString, button);
        QFETCH(QString, title);
        QFETCH(Captions, captions);
        QFETCH(QStringList, tabOrder);
        Application &app = program();
        const QList<Screen *> all{app.mainMenu(),      app.confADSL(),  app.modemOptions(),
                                  app.modemNokiaConf(), app.changePass(), app.inputFromModem()};
        Screen *s = *std::find_if(all.begin(), all.end(), [&](Screen *one) { return one->objectName() == screen; });
        if (!title.isEmpty())
            QCOMPARE(s->windowTitle(), title);
        for (const auto &[name, text] : captions)
            QCOMPARE(caption(s, qPrintable(name)), text);
        QCOMPARE(::tabOrder(s->findChild<QWidget *>(tabOrder[0]), tabOrder.size()), tabOrder);
        QVERIFY(writeBytes("guia.html", "<html/>"));
        s->showScreen();
        QVERIFY(QTest::qWaitForWindowActive(s));
        QTest::keyClick(s->focusWidget() ? s->focusWidget() : s, Qt::Key_F1);
        QCOMPARE(f->opened, QList{QUrl::fromLocalFile(f->dir.file("guia.html"))});
        s->hide();
        if (button.isEmpty())
            return;

        // Shown alone; back by the button, then by closing the window.
        MainMenuScreen *menu = app.mainMenu();
        app.start();
        for (bool byClose : {false, true}) {
            click(menu, qPrintable(button));
            QVERIFY(QTest::qWaitForWindowActive(s) && !menu->isVisible());
            byClose ? void(s->close()) : click(s, "back2main");
            QVERIFY(QTest::qWaitForWindowActive(menu) && !s->isVisible());
        }
        QVERIFY(f->boxes.shown.isEmpty());
    }

    // F1 with the guide not at hand: the box says where it was looked for.
    void guideNotAtHand()
    {
        Application &app = program();
        app.start();
        QVERIFY(QTest::qWaitForWindowActive(app.mainMenu()));
        QVERIFY(writeBytes("guia.html", "<html/>"));
        f->browserOpens = false;
        QTest::keyClick(app.mainMenu(), Qt::Key_F1);
        QVERIFY(QFile::remove("guia.html"));
        QTest::keyClick(app.mainMenu(), Qt::Key_F1);
        const QString missing = QDir::toNativeSeparators(f->dir.file("falta/guia.html"));
        const QString guide = QDir::toNativeSeparators(f->dir.file("guia.html"));
        QCOMPARE(f->boxes.shown,
                 (QList<Message>{{"Guía del instalador",
                                  "No se ha podido abrir la guía del instalador en el navegador. Está en:\r\n" + guide,
                                  MessageIcon::Warning, MessageButtons::Ok},
                                 {"Guía del instalador",
                                  "No se encuentra la guía del instalador. Se ha buscado en:\r\n" + missing + "\r\n" + guide,
                                  MessageIcon::Warning, MessageButtons::Ok}}));
    }

    // What a screen's activation throws away must survive its own message boxes,
    // the transfer's (shown over it), and a visit to another application, told
    // of or not, and must go when the user comes back from another of our screens.
    void activeScreen_data()
    {
        QTest::addColumn<QString>("screen");
        QTest::addColumn<int>("between"); // what happens after the message box
        QTest::addColumn<bool>("portLost"); // the box: the transfer's, a finished load's port lost
        for (const char *screen : {"confADSL", "modemNokiaConf", "changePass", "inputFromModem"}) {
            QTest::addRow("%s, box hands the activation back", screen) << screen << 0 << false;
            QTest::addRow("%s, box keeps the activation", screen) << screen << 1 << false;
            QTest::addRow("%s, another application and back", screen) << screen << 2 << false;
            QTest::addRow("%s, back from another screen", screen) << screen << 3 << false;
        }
        for (const char *screen : {"confADSL", "modemNokiaConf", "changePass"}) // the transfer: its own box
            for (int between : {0, 1})
                QTest::addRow("%s, lost port's box %s", screen, between ? "keeps the activation" : "hands it back")
                    << screen << between << true;
    }

    void activeScreen()
    {
        QFETCH(QString, screen);
        QFETCH(int, between);
        QFETCH(bool, portLost);
        NoPlatformActivation noEvents;
        writeScript(5);
        // The transfer screen stands beside the others, a load ended and its
        // port left open; for itself another screen is the other one. Each
        // screen's button shows a box; the edit is what activation throws away:
        // "8" where it makes the form's Save refuse (maxSize below the minimum,
        // a short telephone, pass1 not confirmed), or a stopped transfer.
        Screen plain;
        if (screen == "inputFromModem")
            plain.showScreen();
        auto *transfer = alone<InputFromModemScreen>("inputFromModem");
        line(transfer, "userPhoneNumberValue")->setText("912345678");
        click(transfer, "loadConf");
        f->clock.advance(200000);
        const QHash<QString, std::pair<const char *, const char *>> how{{"confADSL", {"Save", "maxSize"}},
                                                                        {"modemNokiaConf", {"saveModConf", "userPhoneNumValue"}},
                                                                        {"changePass", {"savePass", "pass1"}},
                                                                        {"inputFromModem", {"loadConf", nullptr}}};
        Screen *subject = screen == "inputFromModem" ? transfer : alone(screen);
        QWidget *other = subject == transfer ? static_cast<QWidget *>(&plain) : transfer;
        QLineEdit *field = subject == transfer ? nullptr : line(subject, how[screen].second);
        const auto edit = [&] {
            if (field)
                return field->setText("8");
            // A stopped transfer leaves its stop standing until the next activation.
            line(transfer, "userPhoneNumberValue")->setText("912345678");
            click(transfer, "loadConf");
            f->clock.advance(96100);
            click(transfer, "stopCommads");
            f->clock.advance(60000);
            QVERIFY(!transfer->dialogue().isRunning());
            line(transfer, "userPhoneNumberValue")->setText("600000000"); // no such script
        };
        const auto edited = [&] { return field ? field->text() == "8" : transfer->stopSendingCommands(); };
        edit();

        f->boxes.shown.clear();
        QWidget box, *over = nullptr; // the box's stand-in; the window it is shown over
        f->boxes.whileOpen = [&](QWidget *parent) {
            over = parent->window();
            if (between != 0)
                return;
            send(subject, QEvent::WindowDeactivate);
            box.show();
            send(&box, QEvent::WindowActivate);
        };
        portLost ? f->link->unplug() : click(subject, how[screen].first);
        QCOMPARE(over, subject);
        switch (between) {
        case 0: // late, once the box has gone, to that window; then the user's click
            box.hide();
            send(over, QEvent::WindowActivate);
            send(subject, QEvent::WindowActivate);
            break;
        case 2:
            sendState(Qt::ApplicationInactive);
            send(subject, QEvent::WindowDeactivate);
            sendState(Qt::ApplicationActive);
            send(subject, QEvent::WindowActivate);
            break;
        case 3:
            send(other, QEvent::WindowActivate);
            send(subject, QEvent::WindowActivate);
            break;
        }
        QCOMPARE(edited(), between != 3);

        // Whatever came before, the next return from another screen counts,
        // and so does the program's own show, with no event at all.
        send(other, QEvent::WindowActivate);
        send(subject, QEvent::WindowActivate);
        QVERIFY(!edited());
        edit();
        subject->hide();
        subject->showScreen();
        QVERIFY(!edited());
    }

    // Real key events on a field that first holds "text": "<...>" is a key by
    // name, "<click>" a click on another field, the rest typed characters.
    void keys_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QList<Message>>("messages");
        QTest::addColumn<bool>("focusBack");
        // Every field of every screen: a letter shows the field's key message
        // and empties it; then Tab leaves it empty.
        const auto letter = [](const QString &field, const QList<Message> &messages, bool focusBack) {
            QTest::newRow(qPrintable(field.section('/', -1))) << field << "" << "a<Tab>" << "" << messages << focusBack;
        };
        for (const char *field : {"ipAddEDC_1", "maskAddEDC_2", "ipAddDNS_3"})
            letter(field, {octetKey, range}, true);
        for (const char *field : {"minSize", "vciValue", "vpiValue"})
            letter(field, {digitKey, counter}, true);
        letter("maxSize", {digitKey, counter}, false);
        for (const char *field : {"userIpAdd_0", "userMaskAdd_1", "modEtherIpAdd_2", "modEtherMaskAdd_3"})
            letter(QString("modemNokiaConf/") + field, {octetKey}, false);
        letter("modemNokiaConf/userPhoneNumValue", {digitKey, shortPhone}, true);
        letter("inputFromModem/userPhoneNumberValue", {digitKey, noFile}, true);

        // Keys alone: the focus stays.
        const auto typed = [](const char *row, const QString &field, const char *keys, const char *expected,
                              const QList<Message> &messages) {
            QTest::newRow(row) << field << "" << keys << expected << messages << true;
        };
        typed("digits", "ipAddEDC_0", "192", "192", {});
        typed("letter loses the digits before it", "ipAddEDC_1", "12a", "", {octetKey});
        typed("fourth digit refused silently", "modemNokiaConf/userIpAdd_3", "1234", "123", {});
        typed("copy alone changes nothing", "ipAddEDC_2", "25<Ctrl+C>", "25", {octetKey});
        typed("paste", "modemNokiaConf/userPhoneNumValue", "91<Ctrl+V>", "", {digitKey});
        typed("keys typing nothing pass", "modemNokiaConf/userIpAdd_1", "42<Left><Home><End><Ins><F1><Backspace>", "4", {});

        // Leaving by a click elsewhere.
        const auto left = [](const char *row, const QString &field, const char *text, const QList<Message> &messages) {
            QTest::newRow(row) << field << text << "<click>" << text << messages << !messages.isEmpty();
        };
        left("settings octet 255", "ipAddEDC_2", "255", {});
        left("settings octet 256", "ipAddEDC_2", "256", {range});
        left("subscriber octet 300", "modemNokiaConf/userIpAdd_3", "300", {range});
        left("counter 0", "minSize", "0", {});
        left("telephone short", "modemNokiaConf/userPhoneNumValue", "12345678", {shortPhone});
        left("telephone at minimum", "modemNokiaConf/userPhoneNumValue", "123456789", {});
    }

    void keys()
    {
        QFETCH(QString, field);
        QFETCH(QString, text);
        QFETCH(QString, keys);
        QFETCH(QString, expected);
        QFETCH(QList<Message>, messages);
        QFETCH(bool, focusBack);
        QApplication::clipboard()->setText("77");
        QLineEdit *line = showField(field);
        QVERIFY(line);
        QWidget *other = line->window()->findChild<QLineEdit *>(field.startsWith("modem") ? "userMaskAdd_0" : "vciValue");
        line->setText(text);
        focusInto(line);
        static const QRegularExpression token("<([^>]+)>|[^<]+");
        for (const QRegularExpressionMatch &m : token.globalMatch(keys)) {
            const QKeySequence key(m.captured(1));
            if (m.captured(1) == "click")
                click(other);
            else if (key.isEmpty())
                QTest::keyClicks(line, m.captured(0));
            else
                QTest::keySequence(line, key);
        }
        QCOMPARE(line->text(), expected);
        QCOMPARE(f->boxes.shown, messages);
        QCOMPARE(QApplication::focusWidget() == line, focusBack);
    }

    void aRefusedKeyEmptiesTheNextChangeAnywhere()
    {
        QLineEdit *full = showField("ipAddEDC_0");
        full->setText("123");
        focusInto(full);
        QTest::keyClick(full, Qt::Key_Return); // refused; the field does not change
        QCOMPARE(f->boxes.shown, QList<Message>{octetKey});
        QWidget *s = full->window();
        line(s, "ipAddDNS_3")->setText("45");
        QCOMPARE(line(s, "ipAddDNS_3")->text(), QString());
        QCOMPARE(f->settings.ipAddDNS[3], QString());
        QCOMPARE(f->settings.ipAddEDC[0], QString("123"));

        // Paid once: the program's next assignments stay.
        quadOf(s, "maskAddEDC")->setOctets({"255", "0", "0", "0"});
        QCOMPARE(joinOctets(f->settings.maskAddEDC), QString("255.0.0.0"));

        // An accepted key clears a pending refusal before it reaches a field.
        QLineEdit *maxSize = line(s, "maxSize");
        maxSize->clear();
        QTest::keyClick(full, Qt::Key_Return);
        focusInto(maxSize);
        QTest::keyClicks(maxSize, "12");
        QCOMPARE(maxSize->text(), QString("12"));
    }

    void clickOutOfAnInvalidFieldIsDropped()
    {
        QLineEdit *maxSize = showField("maxSize"); // empty: refused, but the focus goes on
        QPushButton *save = child<QPushButton>(maxSize->window(), "Save");
        QSignalSpy clicks(save, &QPushButton::clicked);
        focusInto(maxSize);
        click(save);
        QCOMPARE(QApplication::focusWidget(), save);
        QCOMPARE(clicks.size(), 0);
        QTest::qWait(0);
        click(save); // refused for the empty maximum, the focus to minSize
        QCOMPARE(clicks.size(), 1);

        // A refused leave by Tab drops nothing.
        QLineEdit *minSize = line(maxSize->window(), "minSize");
        QCOMPARE(QApplication::focusWidget(), minSize);
        minSize->clear();
        QTest::keyClick(minSize, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), minSize);
        QTest::keyClicks(minSize, "9");
        click(save);
        QCOMPARE(clicks.size(), 2);
        QCOMPARE(f->boxes.shown.size(), 4);
        QCOMPARE(f->boxes.shown[0], counter);
        QCOMPARE(f->boxes.shown[2], counter);
    }

    // Another window taking the activation is no leave. Tab into a field
    // that is invalid too brings the focus back without a bounce, and
    // leaving again is checked again.
    void leavingAnEmptyOctet()
    {
        QLineEdit *first = showField("ipAddEDC_0");
        line(first->window(), "ipAddEDC_1")->clear(); // it and the next are empty, so both invalid
        focusInto(first);
        QWidget other;
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        first->window()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(first->window()));
        QCOMPARE(f->boxes.shown, QList<Message>());
        QCOMPARE(QApplication::focusWidget(), first);

        QTest::keyClick(first, Qt::Key_Tab);
        QCOMPARE(f->boxes.shown, QList<Message>{range});
        QCOMPARE(QApplication::focusWidget(), first);
        click(first->window(), "ipAddEDC_1");
        QCOMPARE(f->boxes.shown.size(), 2);
        QCOMPARE(QApplication::focusWidget(), first);
    }

    // The selector's text sets the port at once, and the label beside it
    // tells what that number opens; a text that names no port keeps the
    // number and is refused at Save (the other texts: tst_transfer_log_ports).
    void portFromSelector()
    {
        ConfAdslScreen *screen = alone<ConfAdslScreen>("confADSL");
        QVERIFY(screen);
        auto *port = child<QComboBox>(screen, "portOptions");
        QVERIFY(QFile::link("/dev/null", "com9"));
        QLineEdit *edit = port->lineEdit();
        const QList<std::tuple<QString, int, QString>> steps{{"com0", 1, "no es un puerto"},
                                                             {"com321", 321, "com321 → /dev/ttyS320 (no existe)"},
                                                             {"com9", 9, "com9 → /dev/null"}};
        for (const auto &[typed, number, device] : steps) {
            f->boxes.shown.clear();
            click(edit);
            QTest::keyClick(edit, Qt::Key_End);
            QTest::keyClick(edit, Qt::Key_Home, Qt::ShiftModifier);
            QTest::keyClicks(edit, typed);
            QCOMPARE(int(f->settings.comPort), number);
            QCOMPARE(child<QLabel>(screen, "portDevice")->text(), device);
            QVERIFY(f->boxes.shown.isEmpty());

            click(screen, "Save");
            const bool names = typed != "com0";
            QCOMPARE(f->boxes.last().title, names ? savedMessage.title : "Error en el puerto de comunicaciones");
            QCOMPARE(readBytes(settingsFileName).split('\r').value(0), names ? " " + typed.mid(3).toLatin1() : "");
            if (!names)
                QCOMPARE(QApplication::focusWidget(), port);
        }
    }

    // Adapters follow com1 to com14, read again as the drop-down opens and
    // about every second while the screen is shown, never while hidden; what
    // the installer chose or typed stays through each change.
    void adapterEntries()
    {
        f->adapters = {ftdi};
        auto *screen = alone<ConfAdslScreen>("confADSL");
        QVERIFY(screen);
        auto *port = child<QComboBox>(screen, "portOptions");
        auto *device = child<QLabel>(screen, "portDevice");
        const auto entries = [port] {
            QStringList texts;
            for (int i = 14; i < port->count(); ++i)
                texts << port->itemText(i);
            return texts;
        };
        QCOMPARE(port->itemText(13), "com14");
        QCOMPARE(entries(), QStringList{ftdiEntry});

        port->setEditText("com7");
        f->adapters = {uno, ftdi};
        port->showPopup();
        QCOMPARE(entries(), (QStringList{"Arduino Uno (ttyACM0)", ftdiEntry}));
        port->hidePopup();
        QCOMPARE(port->currentText(), "com7");

        choose(port, 15);
        QCOMPARE(port->currentText(), "com1");
        QCOMPARE(f->settings.comPort, 1);
        QCOMPARE(device->text(), "com1" + ftdiAt);
        f->adapters = {uno}; // pulled out
        const int reads = f->adapterReads;
        QTRY_COMPARE(entries(), QStringList{"Arduino Uno (ttyACM0)"});
        QVERIFY(f->adapterReads - reads <= 2);
        QCOMPARE(port->currentText(), "com1");
        QCOMPARE(device->text(), "com1" + ftdiAt + " (no existe)");
        f->adapters = {uno, ftdi}; // and back
        QTRY_COMPARE(port->currentIndex(), 15);
        QCOMPARE(port->currentText(), "com1");
        QCOMPARE(device->text(), "com1" + ftdiAt);

        click(screen, "back2main");
        QVERIFY(!child<QTimer>(screen, "adapterPoll")->isActive());
        QCOMPARE(f->settings.comPort, 1);
    }

    // Choosing an adapter shows the number it has or will have; Save writes
    // conf_gen.dat as ever, then makes comN lead to it. What stands at a
    // number the installer typed instead goes only when they say Yes.
    void adapterBinding_data()
    {
        QTest::addColumn<QStringList>("entries"); // comN>target: a link; comN=: a file; comN/: a folder
        QTest::addColumn<int>("adapter");         // of ttyS1, ftdi, uno
        QTest::addColumn<QString>("shown");       // the number the choice shows
        QTest::addColumn<QString>("typed");       // then typed over it
        QTest::addColumn<int>("asked");           // 0: no question; else the answer
        QTest::addColumn<QString>("link");        // where the saved comN leads afterwards ("": no link)
        QTest::addColumn<QString>("device");      // the label beside the selector afterwards
        const int yes = int(MessageAnswer::Yes), no = int(MessageAnswer::No);
        QTest::newRow("lowest free, past a link and a listed port")
            << QStringList{"com1>/dev/null"} << 1 << "com3" << "" << 0 << ftdiById << "com3" + ftdiAt;
        QTest::newRow("its by-id link reused") << QStringList{"com1>/dev/null", "com5>" + ftdiById} << 1 << "com5" << ""
                                               << 0 << ftdiById << "com5" + ftdiAt;
        QTest::newRow("its device link reused") << QStringList{"com4>/dev/ttyUSB0"} << 1 << "com4" << "" << 0
                                                << "/dev/ttyUSB0" << "com4" + ftdiAt;
        QTest::newRow("no by-id name: its device") << QStringList{} << 2 << "com1" << "" << 0 << "/dev/ttyACM0"
                                                   << "com1 → Arduino Uno (/dev/ttyACM0)";
        QTest::newRow("a listed port needs no link") << QStringList{} << 0 << "com2" << "" << 0 << ""
                                                     << "com2 → /dev/ttyS1";
        QTest::newRow("installer's link kept") << QStringList{"com2>/dev/null"} << 1 << "com1" << "com2" << no
                                               << "/dev/null" << "com2 → /dev/null";
        QTest::newRow("installer's link replaced") << QStringList{"com2>/dev/null"} << 1 << "com1" << "com2" << yes
                                                   << ftdiById << "com2" + ftdiAt;
        QTest::newRow("installer's file replaced") << QStringList{"com2="} << 2 << "com1" << "com2" << yes
                                                   << "/dev/ttyACM0" << "com2 → Arduino Uno (/dev/ttyACM0)";
        QTest::newRow("listed port kept") << QStringList{} << 1 << "com1" << "com2" << no << "" << "com2 → /dev/ttyS1";
        QTest::newRow("a folder in the way") << QStringList{"com2/"} << 1 << "com1" << "com2" << yes << "" << "";
    }

    void adapterBinding()
    {
        QFETCH(QStringList, entries);
        QFETCH(int, adapter);
        QFETCH(QString, shown);
        QFETCH(QString, typed);
        QFETCH(int, asked);
        QFETCH(QString, link);
        QFETCH(QString, device);
        for (const QString &entry : entries) {
            const QString name = entry.section(QRegularExpression("[>=/]"), 0, 0);
            if (entry.contains('>'))
                QVERIFY(QFile::link(entry.section('>', 1), name));
            else
                QVERIFY(entry.endsWith('/') ? QDir().mkdir(name) : writeBytes(name, "mine"));
        }
        f->adapters = {ttyS1, ftdi, uno};
        auto *screen = alone<ConfAdslScreen>("confADSL");
        QVERIFY(screen);
        auto *port = child<QComboBox>(screen, "portOptions");
        choose(port, 14 + adapter);
        QCOMPARE(port->currentText(), shown);
        if (!typed.isEmpty())
            port->setEditText(typed);
        const QString saved = typed.isEmpty() ? shown : typed;
        QCOMPARE(f->settings.comPort, saved.mid(3).toInt());

        if (asked)
            f->boxes.answers = {MessageAnswer(asked)};
        click(screen, "Save");
        QCOMPARE(f->boxes.shown.size(), asked ? 2 : 1);
        if (asked) {
            QCOMPARE(f->boxes.shown[0].buttons, MessageButtons::YesNoDefaultNo);
            QVERIFY(f->boxes.shown[0].text.contains(saved));
        }
        QCOMPARE(f->boxes.last().title, device.isEmpty() ? "Error al asignar el adaptador" : savedMessage.title);
        QCOMPARE(readBytes(settingsFileName), settingsFileBytes(f->settings));
        QVERIFY(readBytes(settingsFileName).startsWith(" " + saved.mid(3).toLatin1() + "\r\n"));
        QCOMPARE(QFileInfo(saved).symLinkTarget(), link);
        if (!device.isEmpty())
            QCOMPARE(child<QLabel>(screen, "portDevice")->text(), device);
        QCOMPARE(QDir().entryList({"*~adslconf-tmp~*"}, QDir::AllEntries | QDir::System), QStringList());
        for (const QString &entry : entries) {
            const QString name = entry.section('>', 0, 0);
            if (entry.contains('>') && (name != saved || asked == int(MessageAnswer::No)))
                QCOMPARE(QFileInfo(name).symLinkTarget(), entry.section('>', 1));
        }
    }

    void settingsSaveChecksInOrder_data()
    {
        QTest::addColumn<QString>("sizes");
        QTest::addColumn<QString>("edc");
        QTest::addColumn<QString>("mask");
        QTest::addColumn<Message>("message");
        QTest::addColumn<QString>("focus");
        QTest::newRow("equal sizes save") << "9-9" << "10.0.0.1" << "255.255.255.255" << savedMessage << "Save";
        QTest::newRow("length before mask") << "9-8" << "10.0.0.5" << "255.255.0.255" << lengthMessage << "minSize";
        QTest::newRow("max empty") << "9-" << "10.0.0.1" << "255.255.255.255" << lengthMessage << "minSize";
        QTest::newRow("empty mask field") << "9-10" << "10.0.0.5" << "255.255..0" << emptyMaskMessage << "maskAddEDC_3";
        QTest::newRow("mask does not fit") << "9-9" << "10.0.0.5" << "255.255.255.0" << maskMessage << "maskAddEDC_3";
        QTest::newRow("empty EDC octet") << "9-9" << "10.0..0" << "255.255.255.0" << maskMessage << "maskAddEDC_3";
    }

    void settingsSaveChecksInOrder()
    {
        QFETCH(QString, sizes);
        QFETCH(QString, edc);
        QFETCH(QString, mask);
        QFETCH(Message, message);
        QFETCH(QString, focus);
        ConfAdslScreen *screen = alone<ConfAdslScreen>("confADSL");
        QVERIFY(screen);
        line(screen, "minSize")->setText(sizes.section('-', 0, 0));
        line(screen, "maxSize")->setText(sizes.section('-', 1));
        quadOf(screen, "ipAddEDC")->setOctets(quad(edc));
        quadOf(screen, "maskAddEDC")->setOctets(quad(mask));
        click(screen, "Save");
        QCOMPARE(f->boxes.shown, QList<Message>{message});
        QCOMPARE(QApplication::focusWidget()->objectName(), focus);
        QCOMPARE(QFile::exists(settingsFileName), message == savedMessage);
        QCOMPARE(loadSettings() == f->settings, message == savedMessage);
        QCOMPARE(quadOf(screen, "maskAddEDC")->octets(), quad(mask));
    }

    // Every activation shows what the file holds, so edits not saved are lost on
    // leaving, by the back button or by closing the window. Save writes each
    // field to its line; a file that cannot be written is no success.
    void settingsFile()
    {
        QVERIFY(writeBytes(settingsFileName, "2\r\n10\r\n0\r\n0\r\n1\r\n255\r\n255\r\n255\r\n255\r\n"
                                             "1\r\n2\r\n3\r\n4\r\n8\r\n32\r\n9\r\n9\r\n"));
        auto *screen = alone<ConfAdslScreen>("confADSL");
        for (bool byClose : {false, true}) {
            screen->showScreen();
            QCOMPARE(child<QComboBox>(screen, "portOptions")->currentText(), "com2");
            QCOMPARE(quadOf(screen, "ipAddEDC")->octets(), quad("10.0.0.1"));
            line(screen, "vpiValue")->setText("99");
            line(screen, "ipAddEDC_0")->setText("11");
            QCOMPARE(f->settings.vpiValue, "99");
            if (byClose)
                screen->close();
            else
                click(screen, "back2main");
            QCOMPARE(f->settings, loadSettings());
            QCOMPARE(line(screen, "vpiValue")->text(), "32");
            QCOMPARE(line(screen, "ipAddEDC_0")->text(), "10");
        }
        QVERIFY(f->boxes.shown.isEmpty());

        screen->showScreen();
        child<QComboBox>(screen, "portOptions")->setCurrentIndex(13);
        quadOf(screen, "ipAddEDC")->setOctets(quad("10.20.31.0"));
        quadOf(screen, "maskAddEDC")->setOctets(quad("255.255.255.0"));
        quadOf(screen, "ipAddDNS")->setOctets(quad("1.2.3.4"));
        line(screen, "vciValue")->setText("0");
        line(screen, "vpiValue")->setText("33");
        line(screen, "minSize")->setText("8");
        line(screen, "maxSize")->setText("10");
        click(screen, "Save");
        QCOMPARE(f->boxes.shown, QList<Message>{savedMessage});
        QCOMPARE(readBytes(settingsFileName), QByteArray(" 14\r\n10\r\n20\r\n31\r\n0\r\n255\r\n255\r\n255\r\n0\r\n"
                                                         "1\r\n2\r\n3\r\n4\r\n0\r\n33\r\n8\r\n10\r\n"));

        QVERIFY(QFile::remove(settingsFileName) && QDir().mkdir(settingsFileName)); // a folder in the way
        click(screen, "Save");
        QCOMPARE(f->boxes.shown.size(), 2);
        QCOMPARE(f->boxes.last().title, "Error al guardar la configuración");
        QCOMPARE(f->boxes.last().icon, MessageIcon::Critical);
    }

    // Every activation of the subscriber screen starts anew, from the type the
    // type screen holds, after a save and a refused key alike. Its back button
    // and its window's close both lead back.
    void subscriberActivation_data()
    {
        QTest::addColumn<int>("option");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("frame");
        QTest::addColumn<QString>("modem");
        QTest::newRow("DHCP") << 0 << "Configuración DHCP para Nokia M1112" << "Gestión del Módem" << "... ...";
        QTest::newRow("NAPT") << 1 << "Configuración NAPT para Nokia M1112" << "Ethernet del Módem"
                              << "172.26.0.1 255.255.255.240";
    }

    void subscriberActivation()
    {
        QFETCH(int, option);
        QFETCH(QString, caption);
        QFETCH(QString, frame);
        QFETCH(QString, modem);
        auto *screen = alone<ModemNokiaConfScreen>("modemNokiaConf", ConfigType(option));
        QVERIFY(screen);
        QSignalSpy back(screen, &Screen::back);
        QLineEdit *phone = line(screen, "userPhoneNumValue");
        fillSubscriber(screen, {"912345678", "10.0.0.2", "255.255.255.0", "9.9.9.9", "255.0.0.0"});
        clickOption(screen, "servicetypevalue_2");
        click(screen, "saveModConf");
        QVERIFY(screen->saved());
        QTest::keyClick(phone, Qt::Key_Space); // full: refused, pending
        QVERIFY(screen->findChild<FieldRules *>()->invalidKey());
        option == 0 ? click(screen, "back2ModOpt") : void(screen->close());
        QVERIFY(!screen->isVisible() && back.size() == 1);
        f->boxes.shown.clear();

        screen->showScreen();
        QCOMPARE(screen->windowTitle(), caption);
        QCOMPARE(child<QGroupBox>(screen, "modEtherManagementTitle")->title(), frame);
        QCOMPARE(joinOctets(quadOf(screen, "modEtherIpAdd")->octets()) + ' ' + joinOctets(quadOf(screen, "modEtherMaskAdd")->octets()), modem);
        QVERIFY(!screen->saved());
        QVERIFY(child<QRadioButton>(screen, "servicetypevalue_0")->isChecked());
        QCOMPARE(joinOctets(quadOf(screen, "userIpAdd")->octets()) + ' ' + joinOctets(quadOf(screen, "userMaskAdd")->octets()), "... ...");
        QCOMPARE(screen->focusWidget(), phone); // not Save's, clicked last
        QTest::keyClicks(phone, "9"); // no refusal left pending
        QCOMPARE(phone->text(), "9");
        QVERIFY(f->boxes.shown.isEmpty());
    }

    void telephoneField_data()
    {
        QTest::addColumn<QString>("maxSize");
        QTest::addColumn<int>("typedLength");
        QTest::newRow("nine") << "9" << 9;
        QTest::newRow("zero is no limit") << "0" << 14;
        QTest::newRow("not a number is no limit") << "x" << 14;
    }

    void telephoneField()
    {
        QFETCH(QString, maxSize);
        QFETCH(int, typedLength);
        f->settings.minSize = "10";
        f->settings.maxSize = maxSize;
        QLineEdit *phone = showField("modemNokiaConf/userPhoneNumValue");
        QVERIFY(phone);
        QTest::keyClicks(phone, "91234567890123");
        QCOMPARE(phone->text().size(), typedLength);
        QTest::keyClick(phone, Qt::Key_Tab);
        const Message tooShort{"Error:Formato no válido", "El número de teléfono debe contener entre 10 y " + maxSize + " digitos.",
                               MessageIcon::Warning};
        QCOMPARE(f->boxes.shown, typedLength < 10 ? QList<Message>{tooShort} : QList<Message>());
    }

    // Save checks the entries in this order and stops at the first fault,
    // writing nothing; else the script of the type picked goes to the
    // subscriber's file, or a failed write is reported and leaves what was in
    // the way.
    void subscriberSave_data()
    {
        QTest::addColumn<int>("option");
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QString>("message"); // null: stored; "*": a failed write
        const QStringList complete{"912345678", "10.0.0.2", "255.255.255.0", "192.168.5.1", "255.255.255.0"};
        const auto with = [&](int index, const QString &value) {
            QStringList entries = complete;
            entries[index] = value;
            return entries;
        };
        QTest::newRow("everything empty") << 0 << QStringList{"", "...", "...", "...", "..."} << badPhone;
        QTest::newRow("phone with a path") << 1 << with(0, "../x") << badPhone;
        QTest::newRow("user address") << 0 << with(1, "10..0.2") << "La dirección IP del usuario no ha sido rellenada.";
        QTest::newRow("user mask empty") << 0 << with(2, "255.255.255.") << "La máscara de red del usuario no ha sido rellenada.";
        QTest::newRow("user mask shape") << 1 << with(2, "255.0.255.0") << "La máscara de red del usuario no tiene formato válido";
        QTest::newRow("DHCP modem address") << 0 << with(3, ".168.5.1") << "La dirección IP del módem no ha sido rellenada.";
        QTest::newRow("NAPT modem address") << 1 << with(3, ".168.5.1") << "La dirección IP ethernet del módem no ha sido rellenada.";
        QTest::newRow("DHCP modem mask") << 0 << with(4, "255..255.0") << "La máscara del módem no ha sido rellenada.";
        QTest::newRow("NAPT modem mask") << 1 << with(4, "255..255.0") << "La máscara ethernet del módem no ha sido rellenada.";
        QTest::newRow("DHCP modem mask shape") << 0 << with(4, "255.255.255.7") << "La máscara del módem no tiene un formato válido.";
        QTest::newRow("NAPT modem mask shape") << 1 << with(4, "255.255.255.7") << "La máscara ethernet del módem no tiene un formato válido.";
        QTest::newRow("user mask before modem") << 0 << QStringList{"9", "1.2.3.4", "255.255.1.0", "", ""}
                                                << "La máscara de red del usuario no tiene formato válido";
        QStringList noRoom = with(2, "255.255.255.255");
        noRoom[1] = "10.0.0.255";
        QTest::newRow("script refused") << 0 << noRoom
                                        << "La dirección 10.0.0.255 con la máscara 255.255.255.255 no deja sitio para "
                                           "la dirección primaria: su último octeto pasaría de 255.";
        const QStringList napt{"012345678", "192.168.1.34", "255.255.255.248"};
        QTest::newRow("DHCP, 32 lines") << 0 << napt + QStringList{"10.1.1.6", "255.255.255.252"} << QString();
        QTest::newRow("NAPT, 29 lines") << 1 << napt << QString();
        QTest::newRow("a file where the folder should be") << 1 << napt << "*";
    }

    void subscriberSave()
    {
        QFETCH(int, option);
        QFETCH(QStringList, entries);
        QFETCH(QString, message);
        f->settings.minSize = "0"; // keeps the telephone's own leave check out of the way
        if (message == "*")
            QVERIFY(writeBytes("configuraciones", "x"));
        ModemNokiaConfScreen *screen = alone<ModemNokiaConfScreen>("modemNokiaConf", ConfigType(option));
        QVERIFY(screen);
        fillSubscriber(screen, entries);
        clickOption(screen, "servicetypevalue_1");
        click(screen, "saveModConf");
        QVERIFY(screen->saved());
        if (message.isNull()) {
            QCOMPARE(f->boxes.shown, QList<Message>{storedMessage});
            QCOMPARE(screen->subscriber().servicetypevalue, "Class");
            const QByteArray file = readBytes("configuraciones/012345678.cfg");
            QCOMPARE(file.count("\r\n"), option == 0 ? 32 : 29);
            QVERIFY(file.contains("\r\nhostname 012345678\r\n"));
        } else if (message == "*") {
            QCOMPARE(f->boxes.shown.size(), 1);
            QCOMPARE(f->boxes.last().title, "Error");
            QCOMPARE(f->boxes.last().icon, MessageIcon::Critical);
            QCOMPARE(readBytes("configuraciones"), "x");
        } else {
            QCOMPARE(f->boxes.shown, (QList<Message>{{"Error", message, MessageIcon::Critical}}));
            QVERIFY(!QDir("configuraciones").exists());
            QCOMPARE(QApplication::focusWidget(), child(screen, "saveModConf"));
        }
    }

    // Save, or leaving by the back button or by closing the window ("how").
    void passwordSaveOrLeave_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::addColumn<MessageAnswer>("answer");
        QTest::addColumn<QList<Message>>("expected");
        const MessageAnswer none = MessageAnswer::Ok;
        QTest::newRow("equal") << "save" << "nueva" << "nueva" << none << QList<Message>{accepted};
        QTest::newRow("differ in case") << "save" << "nueva" << "Nueva" << none << QList<Message>{mismatch};
        QTest::newRow("second empty") << "save" << "nueva" << "" << none << QList<Message>{mismatch};
        QTest::newRow("both empty, No") << "save" << "" << "" << MessageAnswer::No << QList<Message>{emptyQuestion};
        QTest::newRow("both empty, Yes") << "save" << "" << "" << MessageAnswer::Yes << QList<Message>{emptyQuestion, accepted};
        QTest::newRow("unstorable") << "save" << "1234" << "1234" << none << QList<Message>{unstorable}; // scrambles to a quote
        QTest::newRow("back2main") << "back" << "otra" << "distinta" << none << QList<Message>();
        QTest::newRow("window closed") << "close" << "otra" << "distinta" << none << QList<Message>();
    }

    void passwordSaveOrLeave()
    {
        QFETCH(QString, how);
        QFETCH(QString, first);
        QFETCH(QString, second);
        QFETCH(MessageAnswer, answer);
        QFETCH(QList<Message>, expected);
        QVERIFY(storePassword("abc"));
        ChangePassScreen *screen = alone<ChangePassScreen>("changePass");
        QVERIFY(screen);
        QSignalSpy back(screen, &Screen::back);
        line(screen, "pass1")->setText(first);
        line(screen, "pass2")->setText(second);
        f->boxes.answers = {answer};
        if (how == "close")
            screen->close();
        else
            click(screen, how == "back" ? "back2main" : "savePass");
        QCOMPARE(f->boxes.shown, expected);
        const bool done = how != "save" || expected.last() == accepted;
        QCOMPARE(screen->isVisible(), !done);
        QCOMPARE(back.size(), done ? 1 : 0);
        // Leaving takes back what was typed; a save keeps it either way, the new
        // password waiting in pass1, and nothing is written until a transfer.
        QCOMPARE(line(screen, "pass1")->text(), how == "save" ? first : "abc");
        QCOMPARE(line(screen, "pass2")->text(), how == "save" ? second : "abc");
        QCOMPARE(screen->currentPass(), QString("abc"));
        QCOMPARE(loadPassword(), QString("abc"));
    }

    void passwordActivationReloadsFile()
    {
        QVERIFY(storePassword("abc"));
        ChangePassScreen *screen = alone<ChangePassScreen>("changePass");
        QVERIFY(screen);
        QLineEdit *pass1 = line(screen, "pass1");
        for (QLineEdit *field : {pass1, line(screen, "pass2")}) {
            QTest::keyClicks(field, "defghijklmnop"); // after "abc": the fifteenth character is refused
            QCOMPARE(field->text(), QString("abcdefghijklmn"));
        }
        click(screen, "savePass");
        QVERIFY(!screen->isVisible());

        // A transfer stored another password meanwhile; the unused one is gone.
        // Longer than can be typed, it is held whole, for the next transfer sets
        // and stores what pass1 holds.
        const QString stored = "guardadaporotrotransfer";
        QVERIFY(storePassword(stored));
        QCOMPARE(screen->currentPass(), QString("abc"));
        screen->showScreen();
        QCOMPARE(pass1->text(), stored);
        QCOMPARE(line(screen, "pass2")->text(), stored);
        QCOMPARE(screen->currentPass(), stored);
        QTest::keyClick(pass1, Qt::Key_End);
        QTest::keyClicks(pass1, "x");
        QCOMPARE(screen->newPassword(), stored);
    }

    // The transfer screen's whole round: a number without a script, a
    // transfer to its end, the close button, a transfer the user stops.
    void walkThrough()
    {
        writeScript(6);
        f->settings.comPort = 4;
        f->settings.maxSize = QStringLiteral("12");
        InputFromModemScreen *s = alone<InputFromModemScreen>("inputFromModem");
        QVERIFY(s);
        QLineEdit *phone = line(s, "userPhoneNumberValue");
        auto *log = child<LogView>(s, "inputValue");
        auto *verdict = child<QLabel>(s, "verdict");
        QCOMPARE(phone->maxLength(), 12);
        QCOMPARE(states(s), QStringLiteral("10100/1"));

        // Load is possible exactly while the field holds a number; one
        // without a script is emptied.
        QTest::keyClicks(phone, QStringLiteral("9"));
        QVERIFY(child(s, "loadConf")->isEnabled());
        QTest::keyClick(phone, Qt::Key_Backspace);
        QVERIFY(!child(s, "loadConf")->isEnabled());
        QTest::keyClicks(phone, QStringLiteral("9"));
        click(s, "loadConf");
        const Message missing{"Error en el nombre del fichero de configuración",
                              "El fichero de conrfiguración no existe.", MessageIcon::Warning};
        QCOMPARE(f->boxes.shown, QList<Message>{missing});
        QCOMPARE(phone->text(), QString());
        QCOMPARE(states(s), QStringLiteral("10100/1"));

        // A port that does not open is told before the modem is switched
        // off and on; nothing is stored. The port line follows the adapters.
        auto *port = child<QLabel>(s, "portState");
        QCOMPARE(port->text(), QStringLiteral("Puerto: com4 \u2192 /dev/ttyS3 (no existe)"));
        QTest::keyClicks(phone, QStringLiteral("912345678"));
        f->link->openError = QStringLiteral("No se ha podido abrir el puerto com4 (/dev/ttyS3): el puerto no existe.");
        click(s, "loadConf");
        const Message noPort{"Error en el puerto serie", f->link->openError + "\r\nNo se ha enviado nada al módem.",
                             MessageIcon::Warning};
        QCOMPARE(f->boxes.shown, (QList<Message>{missing, noPort}));
        QCOMPARE(states(s), QStringLiteral("11100/1"));
        QVERIFY(!QFile::exists(passwordFileName) && !QFile::exists(QStringLiteral("logs")));
        f->link->openError.clear();
        f->boxes.shown.removeLast();

        click(s, "loadConf");
        const Message powerCycle{"Configuración Módem NOKIA M1112",
                                 "Apague y encienda el módem y asegúrese de que el módem no es "
                                 "está\r\nen la secuencia de arranque."};
        QCOMPARE(f->boxes.shown, (QList<Message>{missing, powerCycle}));
        QCOMPARE(f->link->lastPort, 4);
        QCOMPARE(states(s), QStringLiteral("00001/0"));
        QCOMPARE(log->toPlainText(), QStringLiteral("Actualizando password. Por favor espere.\n"));
        f->clock.advanceTo(10000);
        QVERIFY(!s->close());
        QCOMPARE(f->boxes.shown.size(), 3);
        QCOMPARE(f->boxes.last().icon, MessageIcon::Warning);

        // Script lines 0 to 3: still no stop.
        f->clock.advanceTo(44100);
        // Each update applies its removal once: the next, with none, leaves the text intact.
        for (const char *bytes : {"restore\r\n\r\nOK\n\rAB", "\b", "C"}) {
            f->link->receive(bytes);
            f->clock.advance(20);
            log->flush();
        }
        QCOMPARE(log->toPlainText(),
                 QStringLiteral("Actualizando password. Por favor espere.\n....>restore\n\nOK\nAC"));
        auto *progress = child<QProgressBar>(s, "progress");
        QVERIFY(progress->text().startsWith(QStringLiteral("Enviando la configuración: quedan")));
        QCOMPARE(states(s), QStringLiteral("00001/0"));
        f->clock.advanceTo(96100); // line 4
        QCOMPARE(states(s), QStringLiteral("00011/0"));

        // After the end the port stays open until the close button, which
        // hides the window and keeps the log file.
        f->clock.advanceTo(104100);
        QCOMPARE(f->link->writes.size(), 15);
        QCOMPARE(states(s), QStringLiteral("11101/1"));
        QCOMPARE(verdict->text(), "El módem no ha devuelto 10 de las 15 líneas enviadas: acceso 3, acceso 5, "
                                  "acceso 6, acceso 8, acceso 9 y 5 más.");
        const QByteArray logged = readBytes(QStringLiteral("logs/912345678.log"));
        QVERIFY(f->link->isOpen());
        click(s, "close");
        QVERIFY(!s->isVisible());
        QVERIFY(!f->link->isOpen());
        QCOMPARE(f->clock.armedCount(), 0);
        QCOMPARE(readBytes(QStringLiteral("logs/912345678.log")), logged);

        // Opened again once the subscriber is saved: its number is there,
        // whole even where the limit is now shorter.
        f->settings.maxSize = QStringLiteral("5");
        s->openFromMainMenu(QStringLiteral("912345678"), nullptr);
        QCOMPARE(phone->text(), QStringLiteral("912345678"));
        QCOMPARE(phone->maxLength(), 9);
        QCOMPARE(states(s), QStringLiteral("11101/1"));
        QVERIFY(log->toPlainText().isEmpty());
        QCOMPARE(verdict->text() + progress->text(), QString()); // the last load's outcome went with its log
        click(s, "loadConf");
        f->clock.advance(96100);
        click(s, "stopCommads");
        QVERIFY(s->stopSendingCommands());
        QCOMPARE(states(s), QStringLiteral("00001/0"));
        f->clock.advance(300000);
        QCOMPARE(states(s), QStringLiteral("11101/1"));
        QCOMPARE(progress->text(), QStringLiteral("Carga parada por el usuario"));
        QCOMPARE(verdict->text(), "Carga parada. " + LoadVerdict::silentText());
        QCOMPARE(f->boxes.shown.mid(3), QList<Message>{powerCycle});
        // The next load starts without them; its modem refuses the login.
        f->link->farEnd = [this](const QByteArray &line) {
            f->link->receive(line == "\r"        ? "\r\nlogin: "
                             : line == "admin\r" ? "admin\r\npassword: "
                                                 : "\r\nLogin incorrect\r\nlogin: ");
        };
        click(s, "loadConf");
        QCOMPARE(verdict->text(), QString());
        QVERIFY(!progress->text().startsWith(QStringLiteral("Carga")));
        f->clock.advance(20000);
        QCOMPARE(f->link->writes.size(), 15 + 18 + 4); // the password went, nothing more
        QCOMPARE(states(s), QStringLiteral("11101/1"));
        QCOMPARE(progress->text(), QStringLiteral("Clave de acceso no aceptada"));
        QCOMPARE(verdict->text(), TransferDialogue::refusedText());
        QCOMPARE(f->boxes.last().text, TransferDialogue::refusedText());
        f->link->farEnd = nullptr; // the next load is judged on its own
        click(s, "loadConf");
        f->clock.advance(250000);
        QCOMPARE(progress->text() + verdict->text(), "Carga terminada" + LoadVerdict::silentText());
        f->adapters = {{"/dev/ttyS3", {}, {}, {}, {}}};
        f->clock.advance(1000);
        QCOMPARE(port->text(), QStringLiteral("Puerto: com4 \u2192 /dev/ttyS3"));
    }

    // The log box breaks a line longer than it lays out cheaply into lines
    // of its own; the log's text comes back whole, backspaces included.
    void logBoxLongLine_data()
    {
        QTest::addColumn<QByteArray>("start");
        QTest::addColumn<QList<QByteArray>>("polls");

        const QByteArray a256(256, 'a');
        QTest::newRow("line over many polls") << QByteArray() << QList<QByteArray>(8, QByteArray(115, 'a'));
        QTest::newRow("backspace over the view's break") << QByteArray() << QList<QByteArray>{a256, "b", "\b\b", "c"};
        QTest::newRow("backspace over a line break into a long line")
            << QByteArray() << QList<QByteArray>{a256 + "aa\r\n", "\b\b\b", "d"};
        QTest::newRow("backspaces over two of the view's breaks")
            << QByteArray("x\r\n") << QList<QByteArray>{QByteArray(600, 'a'), QByteArray(350, '\b')};
        QTest::newRow("long text set at once") << QByteArray(600, 'x') + "\r\ny" << QList<QByteArray>{"z"};
    }

    void logBoxLongLine()
    {
        QFETCH(QByteArray, start);
        QFETCH(QList<QByteArray>, polls);

        TransferLog log;
        LogView view;
        view.setLog(&log);
        log.setText(start);
        log.startReading();
        for (const QByteArray &poll : polls) {
            log.appendReceived(poll);
            view.flush();
        }
        QCOMPARE(view.logText(), log.displayText());
        view.selectAll();
        view.copy();
        QCOMPARE(QApplication::clipboard()->text(), log.displayText());
        // A few hundred characters lay out and paint cheaply.
        for (const QString &shown : view.toPlainText().split(u'\n'))
            QVERIFY(shown.size() <= 256);
    }

    // The fast-load box: kept in adslconf.ini across a rebuild of the screen,
    // the installer's own lines left as they were; fixed while a load runs;
    // a save that fails is told, and the choice holds for this run. A click
    // on it is no leave of the empty telephone field.
    void fastLoadBox()
    {
        const QByteArray mine = "; mine\r\n[transfer]\r\ncommandPrompt=x>\r\n\r\n[verdict]\r\nerrorWords=mal\r\n";
        QVERIFY(writeBytes(Preferences::fileName, mine));
        InputFromModemScreen *s = alone<InputFromModemScreen>("inputFromModem");
        auto *box = child<QCheckBox>(s, "fastLoad");
        QVERIFY(!box->isChecked());
        focusInto(line(s, "userPhoneNumberValue"));
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
        QVERIFY(box->isChecked());
        QCOMPARE(f->boxes.shown, QList<Message>());
        QCOMPARE(QApplication::focusWidget(), line(s, "userPhoneNumberValue"));
        QByteArray saved = mine;
        QCOMPARE(readBytes(Preferences::fileName), saved.insert(38, "fastLoad=true\r\n"));
        delete s;
        s = alone<InputFromModemScreen>("inputFromModem");
        box = child<QCheckBox>(s, "fastLoad");
        QVERIFY(box->isChecked());
        box->click();
        QCOMPARE(readBytes(Preferences::fileName), saved.replace("=true", "=false"));
        box->click();

        writeScript(6);
        QTest::keyClicks(line(s, "userPhoneNumberValue"), QStringLiteral("912345678"));
        click(s, "loadConf");
        QVERIFY(!box->isEnabled());
        f->clock.advance(300000);
        QVERIFY(box->isEnabled());

        QVERIFY(QFile::remove(Preferences::fileName) && QDir().mkdir(Preferences::fileName));
        f->boxes.shown.clear();
        box->click();
        QVERIFY(!box->isChecked());
        QCOMPARE(f->boxes.shown.size(), 1);
        QCOMPARE(f->boxes.last().title, "Error en el fichero de preferencias");
        QVERIFY(f->boxes.last().text.contains(QFileInfo(Preferences::fileName).absoluteFilePath()));
    }

    // The walk through the whole program. It hands over what one screen reads
    // of another when it reads it: the type at Save, `saved` and the telephone
    // when the transfer screen opens, pass1 as a load starts. A transfer
    // disables the main menu's ways elsewhere; the transfer screen's closed
    // window is made afresh. M_Exit and the main menu's window end the program
    // at once, whatever the transfer screen is doing: no question, no refusal,
    // the transfer cut short as after a lost port.
    void wholeProgram_data()
    {
        QTest::addColumn<bool>("byWindow");
        QTest::addColumn<bool>("fast");
        QTest::addColumn<qint64>("at"); // -1: the screen open and idle
        QTest::addColumn<QByteArray>("logged");
        QTest::addColumn<QString>("stored"); // claves.dat held "abc"

        const QByteArray start = "Actualizando password. Por favor espere.\r\n";
        for (bool byWindow : {false, true}) {
            const char *how = byWindow ? "main window closed" : "M_Exit";
            QTest::addRow("%s, idle", how) << byWindow << false << -1LL << QByteArray() << "abc";
            for (bool fast : {false, true}) {
                const char *load = fast ? ", fast" : "";
                QTest::addRow("%s, password phase%s", how, load) << byWindow << fast << 12000LL << start + "\r\n"
                                                                 << "abc";
                QTest::addRow("%s, script phase%s", how, load)
                    << byWindow << fast << 100000LL << start + "....>OK\r\n\r\n" << "nueva1";
            }
        }
    }

    void wholeProgram()
    {
        QFETCH(bool, byWindow);
        QFETCH(bool, fast);
        QFETCH(qint64, at);
        QFETCH(QByteArray, logged);
        QFETCH(QString, stored);

        QVERIFY(storePassword(QStringLiteral("abc")));
        Application &app = program();
        MainMenuScreen *menu = app.mainMenu();
        app.start();
        click(menu, "M_intrConf");
        clickOption(app.modemOptions(), "DHCP_NAPT_1");
        click(app.modemOptions(), "configure");
        fillSubscriber(app.modemNokiaConf(), {"912345678", "192.168.1.34", "255.255.255.248"});
        click(app.modemNokiaConf(), "saveModConf");
        QCOMPARE(readBytes("configuraciones/912345678.cfg").count("\r\n"), 29);
        click(app.modemNokiaConf(), "back2ModOpt");
        QCOMPARE(app.modemOptions()->selectedType(), ConfigType::DHCP); // every return starts there
        click(app.modemOptions(), "back2main");
        click(menu, "M_loadConf");
        QPointer<InputFromModemScreen> s = app.inputFromModem();
        if (at < 0) {
            QVERIFY(s->close());
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QVERIFY(!s && !app.hasInputFromModem());
            click(menu, "M_loadConf");
            s = app.inputFromModem();
        }
        QCOMPARE(line(s, "userPhoneNumberValue")->text(), "912345678");
        line(app.changePass(), "pass1")->setText(QStringLiteral("nueva1"));
        if (at >= 0) {
            child<QCheckBox>(s, "fastLoad")->setChecked(fast);
            click(s, "loadConf");
            for (const char *button : {"M_changePass", "M_confADSL", "M_intrConf", "M_loadConf", "M_Exit"})
                QCOMPARE(child(menu, button)->isEnabled(), QByteArray(button) == "M_Exit");
            f->clock.advanceTo(at);
            f->link->receive("OK\r\n"); // not yet polled when the program ends
        }
        const int sent = f->link->writes.size();
        QTimer::singleShot(0, [&] {
            if (byWindow)
                menu->close();
            else
                click(menu, "M_Exit");
        });
        QCOMPARE(QApplication::exec(), 0);

        QVERIFY(!f->link->isOpen());
        QVERIFY(s->isVisible()); // its own closing action never ran
        f->clock.advance(300000); // nothing more goes out, nothing more is said
        QCOMPARE(f->boxes.shown.size(), at >= 0 ? 2 : 1); // the subscriber's Save, the power-cycle box
        QCOMPARE(f->link->writes.size(), sent);
        QCOMPARE(readBytes(QStringLiteral("logs/912345678.log")), logged);
        QCOMPARE(loadPassword(), stored);
    }
};

QTEST_MAIN(TestScreens)
#include "tst_screens.moc"
