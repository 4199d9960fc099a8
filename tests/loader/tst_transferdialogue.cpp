#include "loader/transferdialogue.h"
#include "loader/transferlog.h"
#include "password/passwordstore.h"

#include "fakeseriallink.h"
#include "virtualtimersource.h"
#include "workdir.h"

#include <QTest>

using Writes = QList<std::pair<qint64, QByteArray>>;

namespace {

const QString phone = QStringLiteral("912345678");
const QByteArray startText = "Actualizando password. Por favor espere.\r\n....>";
const QByteArray stopLine = "---- Transference terminated by user ----\r\n";

// A generated script: the four fixed lines, then commands.
QStringList script(int lines)
{
    const QStringList fixed{"restore config default", "restart", "admin", "*****"};
    QStringList out;
    for (int i = 0; i < lines; ++i)
        out << (i < 4 ? fixed[i] : QStringLiteral("set command %1").arg(i));
    return out;
}

void writeScript(const QStringList &lines, const QString &number = phone)
{
    QDir().mkpath(QStringLiteral("configuraciones"));
    QByteArray bytes;
    for (const QString &line : lines)
        bytes += line.toLatin1() + "\r\n";
    QVERIFY(writeBytes(QStringLiteral("configuraciones/%1.cfg").arg(number), bytes));
}

// The send times of the whole dialogue, from the moment the port opened.
Writes schedule(const QString &current, const QString &next, const QStringList &lines)
{
    Writes out;
    const QStringList login{"", "", "admin", current, "conf", "password", "admin " + next,
                            "top", "quit"};
    qint64 t = 0;
    for (const QString &line : login) {
        out.append({t, line.toLatin1() + '\r'});
        t += 4000;
    }
    t += 8000;
    for (int i = 0; i < lines.size(); ++i) {
        out.append({t, (i == 3 ? next : lines[i]).toLatin1() + '\r'});
        t += (i == 1) ? 40000 : 4000;
    }
    return out;
}

qint64 scheduleEnd(int lines)
{
    return 44000 + lines * 4000 + (lines >= 2 ? 36000 : 0);
}

} // namespace

// The dialogue over a fake link in virtual time, with every signal recorded.
struct Rig
{
    VirtualTimerSource clock;
    FakeSerialLink link{&clock};
    TransferLog log;
    TransferDialogue dialogue{link, clock, log};

    QList<Message> failures;
    QList<std::pair<qint64, bool>> finished;
    QList<std::pair<qint64, bool>> stopButton;
    TransferControls controls; // what the screen would show
    int refused = 0;

    Rig()
    {
        QObject::connect(&dialogue, &TransferDialogue::failed,
                         [this](const Message &m) { failures.append(m); });
        QObject::connect(&dialogue, &TransferDialogue::finished,
                         [this](bool stopped) { finished.append({clock.now(), stopped}); });
        QObject::connect(&dialogue, &TransferDialogue::phoneNumberRefused, [this] { ++refused; });
        QObject::connect(&dialogue, &TransferDialogue::controlsChanged,
                         [this](const TransferControls &c) {
                             auto merge = [](std::optional<bool> &to, std::optional<bool> from) {
                                 if (from)
                                     to = from;
                             };
                             merge(controls.userPhoneNumberValue, c.userPhoneNumberValue);
                             merge(controls.loadConf, c.loadConf);
                             merge(controls.close, c.close);
                             merge(controls.inputValue, c.inputValue);
                             merge(controls.mainMenuButtons, c.mainMenuButtons);
                             if (c.stopCommads) {
                                 controls.stopCommads = c.stopCommads;
                                 stopButton.append({clock.now(), *c.stopCommads});
                             }
                         });
    }

    TransferRequest request(const QString &current = QStringLiteral("trumelox"),
                            const QString &next = QStringLiteral("nueva1"),
                            const QString &number = phone)
    {
        return {number, 3, current, next};
    }

    // prepare + begin, as the screen does once the power-cycle box is closed.
    bool start(const TransferRequest &r)
    {
        if (dialogue.prepare(r))
            return false;
        dialogue.begin();
        return dialogue.isRunning();
    }

    Writes writesSince(qint64 origin) const
    {
        Writes out;
        for (const auto &w : link.writes)
            out.append({w.first - origin, w.second});
        return out;
    }
};

static TransferControls idleControls()
{
    return {.userPhoneNumberValue = true, .loadConf = true, .close = true,
            .stopCommads = false, .inputValue = true, .mainMenuButtons = true};
}

class TestTransferDialogue : public QObject
{
    Q_OBJECT

private slots:
    void wholeTransfer_data()
    {
        QTest::addColumn<int>("lines");
        QTest::addColumn<QString>("current");
        QTest::addColumn<QString>("next");

        QTest::newRow("generated NAPT script, 32 lines") << 32 << "trumelox" << "nueva1";
        QTest::newRow("generated DHCP script, 29 lines") << 29 << "trumelox" << "nueva1";
        QTest::newRow("unchanged password") << 29 << "clave" << "clave";
        QTest::newRow("empty script") << 0 << "trumelox" << "nueva1";
        QTest::newRow("fewer than four lines") << 3 << "trumelox" << "nueva1";
        QTest::newRow("one line") << 1 << "trumelox" << "nueva1";
        QTest::newRow("49 lines fit") << 49 << "trumelox" << "nueva1";
    }

    void wholeTransfer()
    {
        QFETCH(int, lines);
        QFETCH(QString, current);
        QFETCH(QString, next);

        WorkDir dir;
        writeScript(script(lines));
        Rig rig;
        QVERIFY(rig.start(rig.request(current, next)));
        QCOMPARE(rig.link.lastPort, 3);
        QCOMPARE(loadPassword(), next);
        QCOMPARE(rig.controls.mainMenuButtons, false);
        QCOMPARE(rig.controls.close, false);

        // What the modem says in the password phase is never shown.
        rig.clock.advanceTo(20000);
        rig.link.receive("admin\r\nPassword: secreto\r\n");
        if (lines > 0) {
            rig.clock.advanceTo(44000 + 2000);
            rig.link.receive("OK\r\n");
        }

        const qint64 end = scheduleEnd(lines);
        rig.clock.advanceTo(end - 1);
        QVERIFY(rig.finished.isEmpty());
        rig.clock.advanceTo(end);
        QCOMPARE(rig.finished, (QList<std::pair<qint64, bool>>{{end, false}}));
        QCOMPARE(rig.link.writes, schedule(current, next, script(lines)));
        QCOMPARE(rig.controls, idleControls());

        const QByteArray shown = startText + (lines > 0 ? "OK\r\n" : "");
        QCOMPARE(rig.log.bytes(), shown);
        QCOMPARE(readBytes(dir.file("logs/912345678.log")), shown + "\r\n");
        QVERIFY(rig.failures.isEmpty());

        // After a normal end the port stays open and the log goes on.
        QVERIFY(rig.link.isOpen());
        rig.link.receive("Restarting\r\n");
        rig.clock.advance(1000);
        QCOMPARE(rig.log.bytes(), shown + "Restarting\r\n");
        QCOMPARE(rig.link.writes.size(), 9 + lines);
    }

    void stopButtonOnlyFromLineFour()
    {
        WorkDir dir;
        writeScript(script(6));
        Rig rig;
        QVERIFY(rig.start(rig.request()));
        // Clicks while the password or the restart lines go out change nothing.
        for (qint64 t : {1000, 30000, 45000, 60000, 90000, 94000}) {
            rig.clock.advanceTo(t);
            rig.dialogue.stop();
            QVERIFY(!rig.dialogue.stopSendingCommands() || t < 44000);
        }
        rig.clock.advanceTo(scheduleEnd(6));
        QCOMPARE(rig.link.writes, schedule("trumelox", "nueva1", script(6)));
        // Disabled at the start, for lines 0 to 3, enabled from line 4 on.
        QCOMPARE(rig.stopButton, (QList<std::pair<qint64, bool>>{
                                     {0, false}, {44000, false}, {48000, false},
                                     {88000, false}, {92000, false}, {96000, true},
                                     {100000, true}, {104000, false}}));
    }

    void stop_data()
    {
        QTest::addColumn<int>("lines");
        QTest::addColumn<int>("stopAtLine");

        QTest::newRow("during the wait after line 4") << 32 << 4;
        QTest::newRow("during the wait after the last line") << 32 << 31;
        QTest::newRow("short script, last line") << 5 << 4;
    }

    void stop()
    {
        QFETCH(int, lines);
        QFETCH(int, stopAtLine);

        WorkDir dir;
        writeScript(script(lines));
        Rig rig;
        QVERIFY(rig.start(rig.request()));
        const Writes full = schedule("trumelox", "nueva1", script(lines));
        const qint64 lineSent = full[9 + stopAtLine].first;
        rig.clock.advanceTo(lineSent + 100);
        rig.link.receive("shown\r\n");
        rig.clock.advanceTo(lineSent + 1500);
        QCOMPARE(rig.dialogue.progress().totalMs, scheduleEnd(lines));
        rig.dialogue.stop();
        QVERIFY(rig.dialogue.stopSendingCommands());
        QCOMPARE(rig.controls.stopCommads, false);
        const qint64 s = lineSent + 1500;
        QCOMPARE(rig.dialogue.progress().totalMs, s + 16000);
        rig.link.receive("answer to top\r\n");

        rig.clock.advanceTo(s + 16000 + 60000);
        Writes expected = full.mid(0, 9 + stopAtLine + 1);
        expected += Writes{{s, "top\r"}, {s + 4000, "quit\r"}, {s + 8000, "logout\r"},
                           {s + 12000, "\r"}};
        QCOMPARE(rig.link.writes, expected);
        QVERIFY(!rig.link.isOpen());
        QCOMPARE(rig.finished, (QList<std::pair<qint64, bool>>{{s + 16000, true}}));
        QCOMPARE(rig.controls, idleControls());
        QCOMPARE(rig.log.bytes(), startText + "shown\r\n");
        QCOMPARE(readBytes(dir.file("logs/912345678.log")),
                 startText + "shown\r\n\r\n" + stopLine);
    }

    // Activating the screen mid-transfer must neither reveal the password
    // phase nor let the script loop resume after a stop.
    void activationMidTransfer()
    {
        WorkDir dir;
        writeScript(script(10));
        Rig rig;
        QVERIFY(rig.start(rig.request()));
        rig.clock.advanceTo(25000);
        rig.dialogue.screenActivated();
        rig.link.receive("admin nueva1\r\n");
        rig.clock.advanceTo(96000 + 1000); // line 4's wait
        QCOMPARE(rig.log.bytes(), startText);
        rig.dialogue.stop();
        rig.clock.advance(5000);
        rig.dialogue.screenActivated();
        QVERIFY(rig.dialogue.stopSendingCommands());
        rig.clock.advance(200000);
        QCOMPARE(rig.link.writes.size(), 9 + 5 + 4);
        QCOMPARE(rig.link.writes.last().second, QByteArray("\r"));
        QCOMPARE(rig.finished.size(), 1);
        QVERIFY(rig.finished.first().second);
        // Once idle, activation clears the flag again.
        rig.dialogue.screenActivated();
        QVERIFY(!rig.dialogue.stopSendingCommands());
    }

    void secondTransferRightAfterANormalOne()
    {
        WorkDir dir;
        writeScript(script(5));
        Rig rig;
        QVERIFY(rig.start(rig.request()));
        rig.clock.advanceTo(scheduleEnd(5));
        rig.link.receive("late output\r\n");
        rig.clock.advance(50);
        QVERIFY(rig.link.isOpen());
        QFile::remove(passwordFileName);

        const qint64 second = rig.clock.now();
        QVERIFY(!rig.dialogue.prepare(rig.request()));
        QCOMPARE(rig.link.closeCount, 1); // the open port is closed first
        QVERIFY(rig.log.isEmpty());
        rig.dialogue.begin();
        QCOMPARE(loadPassword(), QStringLiteral("nueva1"));
        rig.clock.advanceTo(second + scheduleEnd(5));
        QCOMPARE(rig.writesSince(second).mid(14), schedule("trumelox", "nueva1", script(5)));
        QCOMPARE(rig.log.bytes(), startText);
        QCOMPARE(rig.finished.size(), 2);
    }

    void refusedScript_data()
    {
        QTest::addColumn<QString>("number");
        QTest::addColumn<int>("lines");
        QTest::addColumn<bool>("missingMessage");

        QTest::newRow("no such file") << "600000000" << 0 << true;
        QTest::newRow("number with a path in it") << "../912345678" << 5 << true;
        QTest::newRow("number with a blank") << "912 345678" << 5 << true;
        QTest::newRow("50 lines do not fit") << "912345678" << 50 << false;
    }

    void refusedScript()
    {
        QFETCH(QString, number);
        QFETCH(int, lines);
        QFETCH(bool, missingMessage);

        WorkDir dir;
        writeScript(script(lines));
        // Also a file that the path in the number would reach.
        QVERIFY(writeBytes(dir.file("912345678.cfg"), "restart\r\n"));
        Rig rig;
        const std::optional<Message> failure = rig.dialogue.prepare(rig.request("a", "b", number));
        QVERIFY(failure);
        if (missingMessage) {
            QCOMPARE(*failure, TransferDialogue::missingScriptMessage());
            QCOMPARE(rig.refused, 1);
            QCOMPARE(rig.controls.loadConf, false);
        } else {
            QCOMPARE(failure->icon, MessageIcon::Warning);
            QVERIFY(failure->text.contains(QStringLiteral("49")));
            QCOMPARE(rig.refused, 0);
        }
        QCOMPARE(rig.controls.userPhoneNumberValue, true);
        QCOMPARE(rig.controls.close, true);
        QCOMPARE(rig.controls.stopCommads, false);
        QCOMPARE(rig.controls.inputValue, false);
        QCOMPARE(rig.controls.mainMenuButtons, true);
        rig.dialogue.begin(); // not prepared: does nothing
        rig.clock.advance(300000);
        QCOMPARE(rig.link.openCount, 0);
        QVERIFY(rig.link.writes.isEmpty());
        QVERIFY(!QFile::exists(passwordFileName));
        QVERIFY(!QFile::exists(QStringLiteral("logs")));
    }

    // Nothing goes out unless the port is open and the new password stored;
    // a password set on the modem but not stored would lock it out.
    void refusedAtOpen_data()
    {
        QTest::addColumn<QString>("openError");
        QTest::addColumn<QString>("newPass");

        QTest::newRow("port missing or busy") << "El puerto com3 está ocupado." << "nueva1";
        // Its scrambled text would hold a quote, which could never be read back.
        QTest::newRow("password that cannot be stored") << "" << "5";
    }

    void refusedAtOpen()
    {
        QFETCH(QString, openError);
        QFETCH(QString, newPass);

        WorkDir dir;
        writeScript(script(29));
        QVERIFY(writeBytes(passwordFileName, "\"NqLoRu\"\r\n\1\r\n"));
        Rig rig;
        rig.link.openError = openError;
        QVERIFY(!rig.start(rig.request("abc", newPass)));
        QCOMPARE(rig.failures.size(), 1);
        QVERIFY(rig.failures[0].text.contains(openError));
        QVERIFY(!rig.link.isOpen());
        QCOMPARE(rig.controls.mainMenuButtons, true);
        QCOMPARE(rig.controls.loadConf, true);
        QCOMPARE(rig.controls.close, true);
        rig.clock.advance(300000);
        QVERIFY(rig.link.writes.isEmpty());
        QCOMPARE(loadPassword(), QStringLiteral("abc"));
    }

    void portLostMidTransfer()
    {
        WorkDir dir;
        writeScript(script(32));
        Rig rig;
        QVERIFY(rig.start(rig.request()));
        rig.clock.advanceTo(100000);
        rig.link.receive("config ok\r\n");
        rig.clock.advance(20);
        const int sent = rig.link.writes.size();
        // Arrived after the last poll but before the loss: still logged.
        rig.link.receive("last words");
        rig.link.unplug(QStringLiteral("Se ha desconectado el adaptador."));
        QCOMPARE(rig.failures.size(), 1);
        QVERIFY(rig.failures[0].text.contains(QStringLiteral("Se ha desconectado el adaptador.")));
        QVERIFY(!rig.dialogue.isRunning());
        QCOMPARE(rig.controls, idleControls());
        rig.clock.advance(300000);
        QCOMPARE(rig.link.writes.size(), sent);
        QCOMPARE(rig.clock.armedCount(), 0);
        QCOMPARE(readBytes(dir.file("logs/912345678.log")), startText + "config ok\r\nlast words\r\n");
    }

    void portLostDuringTheStopSequence()
    {
        WorkDir dir;
        writeScript(script(32));
        Rig rig;
        QVERIFY(rig.start(rig.request()));
        rig.clock.advanceTo(97000);
        rig.dialogue.stop();
        rig.clock.advance(5000);
        rig.link.unplug();
        rig.clock.advance(60000);
        QCOMPARE(rig.link.writes.last().second, QByteArray("quit\r"));
        QCOMPARE(rig.finished.size(), 1);
        QCOMPARE(readBytes(dir.file("logs/912345678.log")), startText + "\r\n" + stopLine);
    }

    void unwritableLogIsReported()
    {
        WorkDir dir;
        writeScript(script(4));
        QVERIFY(writeBytes(dir.file("logs"), "in the way"));
        Rig rig;
        QVERIFY(rig.start(rig.request()));
        rig.clock.advanceTo(scheduleEnd(4));
        QCOMPARE(rig.finished.size(), 1);
        QCOMPARE(rig.failures.size(), 1);
        QVERIFY(rig.failures[0].text.contains(QStringLiteral("logs/912345678.log")));
        QCOMPARE(rig.controls, idleControls());
    }
};

QTEST_GUILESS_MAIN(TestTransferDialogue)
#include "tst_transferdialogue.moc"
