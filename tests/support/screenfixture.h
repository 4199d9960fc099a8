#pragma once

#include "app/application.h"
#include "builder/modemnokiaconfscreen.h"
#include "fields/dottedquad.h"
#include "fields/fieldrules.h"
#include "loader/inputfrommodemscreen.h"
#include "loader/modemload.h"
#include "password/changepassscreen.h"
#include "settings/confadslscreen.h"
#include "settings/servicesettings.h"
#include "shell/messageboxes.h"

#include "fakeseriallink.h"
#include "samples.h"
#include "virtualtimersource.h"
#include "workdir.h"

#include <QApplication>
#include <QLineEdit>
#include <QPointer>
#include <QRadioButton>
#include <QtTest>

#include <functional>
#include <memory>

// The screens' suites: each screen through real widgets and key events.

// For QCOMPARE failure output.
inline char *toString(const Message &m)
{
    return QTest::toString(
        QStringLiteral("[%1 | %2 | icon %3 | buttons %4]").arg(m.title, m.text).arg(int(m.icon)).arg(int(m.buttons)));
}

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

inline void click(QWidget *widget) { QTest::mouseClick(widget, Qt::LeftButton); }

// A control of a screen, by its name.
template<typename T = QWidget>
inline T *child(const QWidget *screen, const char *name) { return screen->findChild<T *>(QLatin1String(name)); }
inline QLineEdit *line(const QWidget *screen, const char *name) { return child<QLineEdit>(screen, name); }
inline DottedQuad *quadOf(const QWidget *screen, const char *name) { return child<DottedQuad>(screen, name); }
inline void click(const QWidget *screen, const char *name) { click(child(screen, name)); }

inline void clickOption(const QWidget *screen, const char *name)
{
    auto *option = child<QRadioButton>(screen, name);
    QTest::mouseClick(option, Qt::LeftButton, {}, QPoint(6, option->height() / 2));
}

// The base of every screen suite, whose init() makes the fixture afresh.
class ScreenTest : public QObject
{
protected:
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
        bool transferRunning = false; // as the load last told
        PasswordStore passwords;
        std::unique_ptr<ModemLoad> load; // of the transfer screen built alone
        QPointer<Screen> active;         // of those built alone
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
    void follow(Screen *s)
    {
        connect(s, &Screen::becameActive, [this, s] { f->active = s; });
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
            : name == "changePass"     ? static_cast<Screen *>(new ChangePassScreen(f->passwords))
            : name == "modemNokiaConf" ? new ModemNokiaConfScreen(f->settings, [type] { return type; })
                                       : nullptr;
        if (s) {
            follow(s);
            s->showScreen();
        } else {
            f->load = std::make_unique<ModemLoad>(makeLink(), f->clock, f->passwords);
            auto *transfer = new InputFromModemScreen(f->settings, *f->load, f->clock, [this] { return f->adapters; });
            // What the program does with a load's news.
            connect(f->load.get(), &ModemLoad::runningChanged, [this](bool running) { f->transferRunning = running; });
            connect(f->load.get(), &ModemLoad::failed, transfer,
                    [this, transfer](const Message &m) { showMessage(f->active ? f->active : transfer, m); });
            follow(transfer);
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
};
