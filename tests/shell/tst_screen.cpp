#include "screenfixture.h"

#include <QApplicationStateChangeEvent>

// What every screen's activation throws away, and when.

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

class TestScreen : public ScreenTest
{
    Q_OBJECT

private slots:
    void init() { f = std::make_unique<Fixture>(); }
    void cleanup() { f.reset(); }

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
            QVERIFY(!f->load->isRunning());
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
};

QTEST_MAIN(TestScreen)
#include "tst_screen.moc"
