#include "builder/modemnokiaconfscreen.h"
#include "builder/modemoptionsscreen.h"
#include "loader/inputfrommodemscreen.h"
#include "password/changepassscreen.h"
#include "password/passwordstore.h"
#include "settings/confadslscreen.h"
#include "shell/application.h"
#include "shell/mainmenuscreen.h"
#include "shell/screen.h"

#include "appfixture.h"
#include "fakeseriallink.h"
#include "screentest.h"
#include "virtualtimersource.h"

#include <QApplication>
#include <QApplicationStateChangeEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace {

// Drops the platform's own activation events, so that every screen sees only
// what a test sends: the same run on every platform, and a program whose
// shows must do without them.
class NoPlatformActivation : public QObject
{
public:
    NoPlatformActivation() { qApp->installEventFilter(this); }
    bool eventFilter(QObject *, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::WindowActivate:
        case QEvent::WindowDeactivate:
        case QEvent::ApplicationStateChange:
            return event->spontaneous();
        default:
            return false;
        }
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

class TestShell : public QObject
{
    Q_OBJECT

private slots:
    void startsWithDefaultsAndEndsLeavingTheFolderEmpty();

    void mainMenuCaptionsAndTabOrder();
    void menuOpensOneScreenAtATime_data();
    void menuOpensOneScreenAtATime();
    void activeScreen_data();
    void activeScreen();
};

// Also after a run killed in the middle of saves and of a transfer's
// password phase: the temporaries go, and the journal takes back the
// password the modem never got (here: none was stored before).
void TestShell::startsWithDefaultsAndEndsLeavingTheFolderEmpty()
{
    WorkDir dir;
    RecordingMessageBoxes boxes;
    for (const char *name : {"conf_gen.dat.AbC123", "claves.dat.xYz789", "claves.dat.anterior.Qw1234"})
        QVERIFY(writeBytes(QString::fromLatin1(name), "cut short"));
    QVERIFY(storePassword(QStringLiteral("nueva1")));
    QVERIFY(writeBytes(passwordJournalPath(), ""));
#ifdef Q_OS_UNIX
    // Would block a plain read for ever.
    QCOMPARE(::mkfifo(settingsFileName.toLatin1().constData(), 0600), 0);
#endif
    {
        Application app;
        QCOMPARE(app.changePass()->currentPass, QStringLiteral("trumelox"));
        QCOMPARE(app.changePass()->pass1->text(), QStringLiteral("trumelox"));
        app.start();
        QVERIFY(QTest::qWaitForWindowExposed(app.mainMenu()));
        QVERIFY(app.mainMenu()->isVisible());

        QTimer::singleShot(0, app.mainMenu()->M_Exit, [&] {
            QTest::mouseClick(app.mainMenu()->M_Exit, Qt::LeftButton);
        });
        QCOMPARE(QApplication::exec(), 0);
    }
    QVERIFY(boxes.shown.isEmpty());
    QStringList left = QDir(dir.path()).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot | QDir::Hidden);
#ifdef Q_OS_UNIX
    QCOMPARE(left.removeAll(settingsFileName), 1);
#endif
    QCOMPARE(left, QStringList());
}

void TestShell::mainMenuCaptionsAndTabOrder()
{
    WorkDir dir;
    Application app;
    MainMenuScreen *menu = app.mainMenu();
    QCOMPARE(menu->windowTitle(), "Configuración Módem NOKIA M1112");
    const QList<std::pair<const char *, QString>> captions{{"options", "Seleccione una opción:"},
                                                           {"M_changePass", "Modificar &clave de acceso"},
                                                           {"M_confADSL", "Configuración del Servicio &ADSL"},
                                                           {"M_intrConf", "&Introducir datos configuración"},
                                                           {"M_loadConf", "&Cargar Configuración en el Módem"},
                                                           {"M_Exit", "&Salir de la aplicación"}};
    for (const auto &[name, text] : captions)
        QCOMPARE(caption(menu, name), text);
    QCOMPARE(tabOrder(menu->M_changePass, 5),
             (QStringList{"M_changePass", "M_confADSL", "M_intrConf", "M_loadConf", "M_Exit"}));
    for (QPushButton *b : {menu->M_confADSL, menu->M_intrConf, menu->M_loadConf, menu->M_Exit})
        QCOMPARE(b->size(), menu->M_changePass->size());
}

// The subscriber screen's own return to the type screen is tst_builderscreens'.
void TestShell::menuOpensOneScreenAtATime_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("screen"); // of the screens below
    QTest::newRow("settings") << "M_confADSL" << 1;
    QTest::newRow("password") << "M_changePass" << 2;
    QTest::newRow("type") << "M_intrConf" << 3;
}

void TestShell::menuOpensOneScreenAtATime()
{
    QFETCH(QString, button);
    QFETCH(int, screen);
    AppFixture f;
    Application &app = f.app;
    app.start();
    QWidget *menu = app.mainMenu();
    QVERIFY(QTest::qWaitForWindowActive(menu));
    const QList<QWidget *> screens{menu, app.confADSL(), app.changePass(), app.modemOptions(), app.modemNokiaConf()};
    const auto visibleCount = [&] {
        return int(std::count_if(screens.begin(), screens.end(), std::mem_fn(&QWidget::isVisible)));
    };
    QWidget *target = screens[screen];

    // Once by the back button, once by closing the window: both return.
    for (int round = 0; round < 2; ++round) {
        QTest::mouseClick(menu->findChild<QPushButton *>(button), Qt::LeftButton);
        QVERIFY(target->isVisible());
        QCOMPARE(visibleCount(), 1);
        QVERIFY(QTest::qWaitForWindowActive(target));

        if (round == 0)
            QTest::mouseClick(target->findChild<QPushButton *>("back2main"), Qt::LeftButton);
        else
            target->close();
        QVERIFY(menu->isVisible());
        QCOMPARE(visibleCount(), 1);
        QVERIFY(QTest::qWaitForWindowActive(menu));
    }
    QVERIFY(f.boxes.shown.isEmpty());
}

// What a screen's activation throws away must survive its own message boxes
// and a visit to another application, whether or not the platform tells of
// them, and must go when the user comes back from another of our screens.
void TestShell::activeScreen_data()
{
    QTest::addColumn<QString>("screen");
    QTest::addColumn<int>("between"); // what happens after the screen's message box
    for (const char *screen : {"confADSL", "modemNokiaConf", "changePass", "inputFromModem"}) {
        QTest::addRow("%s, box hands the activation back", screen) << screen << 0;
        QTest::addRow("%s, box keeps the activation", screen) << screen << 1;
        QTest::addRow("%s, another application and back", screen) << screen << 2;
        QTest::addRow("%s, back from another screen", screen) << screen << 3;
    }
}

void TestShell::activeScreen()
{
    QFETCH(QString, screen);
    QFETCH(int, between);
    NoPlatformActivation noEvents;
    VirtualTimerSource clock;
    AppFixture f;
    Application &app = f.app;
    app.setTimerSource(&clock);
    app.makeSerialLink = [&] { return std::make_unique<FakeSerialLink>(&clock); };
    QDir().mkpath("configuraciones");
    QVERIFY(writeBytes("configuraciones/912345678.cfg", "a\r\nb\r\nc\r\nd\r\ne\r\n"));
    MainMenuScreen *menu = app.mainMenu();
    app.start();

    // The transfer screen stands beside the others; for itself the main
    // menu is the other screen. The edit is what activation throws away.
    InputFromModemScreen *transfer = app.inputFromModem();
    QTest::mouseClick(menu->M_loadConf, Qt::LeftButton);
    Screen *subject = transfer;
    QWidget *other = menu;
    QPushButton *boxButton = transfer->loadConf;
    std::function<void()> edit;
    std::function<bool()> edited;
    if (screen == "confADSL") {
        ConfAdslScreen *s = app.confADSL();
        QTest::mouseClick(menu->M_confADSL, Qt::LeftButton);
        subject = s, other = transfer, boxButton = s->Save;
        edit = [s] { s->maxSize->setText("8"); }; // below the minimum: Save refuses it
        edited = [s] { return s->maxSize->text() == "8"; };
    } else if (screen == "modemNokiaConf") {
        ModemNokiaConfScreen *s = app.modemNokiaConf();
        QTest::mouseClick(menu->M_intrConf, Qt::LeftButton);
        QTest::mouseClick(app.modemOptions()->configure, Qt::LeftButton);
        subject = s, other = transfer, boxButton = s->saveModConf;
        edit = [s] { s->userPhoneNumValue->setText("912345678"); }; // no addresses: Save refuses it
        edited = [s] { return s->userPhoneNumValue->text() == "912345678"; };
    } else if (screen == "changePass") {
        ChangePassScreen *s = app.changePass();
        QTest::mouseClick(menu->M_changePass, Qt::LeftButton);
        subject = s, other = transfer, boxButton = s->savePass;
        edit = [s] { s->pass1->setText("nueva"); }; // unconfirmed: Save refuses it
        edited = [s] { return s->pass1->text() == "nueva"; };
    } else {
        // A stopped transfer leaves its stop standing until the next activation.
        edit = [&] {
            transfer->userPhoneNumberValue->setText("912345678");
            QTest::mouseClick(transfer->loadConf, Qt::LeftButton);
            clock.advance(96100);
            QTest::mouseClick(transfer->stopCommads, Qt::LeftButton);
            clock.advance(60000);
            QVERIFY(!transfer->dialogue().isRunning());
            transfer->userPhoneNumberValue->setText("600000000"); // no such script
        };
        edited = [transfer] { return transfer->stopSendingCommands(); };
    }
    QVERIFY(subject->isVisible() && other->isVisible());
    edit();
    QVERIFY(edited());

    f.boxes.clear();
    QWidget box;
    f.boxes.whileOpen = [&](const Message &) {
        if (between != 0)
            return;
        send(subject, QEvent::WindowDeactivate);
        box.show();
        send(&box, QEvent::WindowActivate);
    };
    QTest::mouseClick(boxButton, Qt::LeftButton);
    QCOMPARE(f.boxes.shown.size(), 1);
    switch (between) {
    case 0: // late, once the box has gone
        box.hide();
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

QTEST_MAIN(TestShell)
#include "tst_shell.moc"
