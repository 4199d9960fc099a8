#include "device/portaccess.h"
#include "device/portname.h"
#include "loader/loadverdict.h"
#include "loader/logfile.h"
#include "loader/preferences.h"
#include "loader/transferdialogue.h"
#include "loader/transferlog.h"
#include "password/passwordstore.h"
#include "settings/servicesettings.h"
#include "shell/textfile.h"

#include "fakeseriallink.h"
#include "virtualtimersource.h"
#include "workdir.h"

#include <QProcess>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTest>

#include <cerrno>
#include <cstdio>

#ifdef Q_OS_UNIX
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

using Times = QList<std::pair<qint64, bool>>;
using Writes = QList<std::pair<qint64, QByteArray>>;

namespace {

const QByteArray passwordText = "Actualizando password. Por favor espere.\r\n";
const QByteArray startText = passwordText + "....>";
const QByteArray stopLine = "---- Transference terminated by user ----\r\n";
const QString logFile = QStringLiteral("logs/912345678.log");
const char *const childFlag = "--port-access-of";

// Every line of a whole transfer of a generated script (the four fixed
// lines, then commands) with its send time from the port's opening.
Writes schedule(int lines, const QString &current, const QString &next)
{
    Writes out;
    qint64 t = 0;
    for (const QString &line : {QString(), QString(), QStringLiteral("admin"), current,
                                QStringLiteral("conf"), QStringLiteral("password"),
                                "admin " + next, QStringLiteral("top"), QStringLiteral("quit")}) {
        out.append({t, line.toLatin1() + '\r'});
        t += 4000;
    }
    t += 8000;
    const QList<QByteArray> fixed{"restore config default", "restart", "admin", next.toLatin1()};
    for (int i = 0; i < lines; ++i) {
        out.append({t, (i < 4 ? fixed[i] : "set command " + QByteArray::number(i)) + '\r'});
        t += (i == 1) ? 40000 : 4000;
    }
    return out;
}

// The dialogue over a fake link in virtual time, in a fresh folder holding
// the script of 912345678, with what it tells the screen recorded.
struct Rig
{
    WorkDir dir;
    VirtualTimerSource clock;
    FakeSerialLink link{&clock};
    TransferLog log;
    TransferDialogue dialogue{link, clock, log};
    QList<Message> failures;
    Times finished;
    Times stopButton;
    TransferControls controls; // as the screen shows them
    bool fast = false;

    explicit Rig(int lines)
    {
        QByteArray bytes;
        for (const auto &[time, line] : schedule(lines, "", "*****").mid(9))
            bytes += line + '\n';
        QDir().mkpath(QStringLiteral("configuraciones"));
        QVERIFY(writeBytes(QStringLiteral("configuraciones/912345678.cfg"), bytes));

        QObject::connect(&dialogue, &TransferDialogue::failed, [this](const Message &m) { failures << m; });
        QObject::connect(&dialogue, &TransferDialogue::finished,
                         [this](bool stopped) { finished.append({clock.now(), stopped}); });
        QObject::connect(&dialogue, &TransferDialogue::controlsChanged, [this](const TransferControls &c) {
            for (auto m : {&TransferControls::userPhoneNumberValue, &TransferControls::loadConf,
                           &TransferControls::close, &TransferControls::stopCommads,
                           &TransferControls::inputValue, &TransferControls::mainMenuButtons}) {
                if (c.*m)
                    controls.*m = c.*m;
            }
            if (c.stopCommads)
                stopButton.append({clock.now(), *c.stopCommads});
        });
    }

    // prepare + begin, as the screen does once the power-cycle box is closed.
    std::optional<Message> start(const QString &current, const QString &next,
                                 const QString &number = "912345678")
    {
        if (std::optional<Message> failure = dialogue.prepare({number, 3, current, next, fast}))
            return failure;
        dialogue.begin();
        return failures.isEmpty() ? std::nullopt : std::optional(failures[0]);
    }
};

// What a view holds after applying the log's deltas one by one.
struct DeltaFollower
{
    explicit DeltaFollower(TransferLog &log)
    {
        QObject::connect(&log, &TransferLog::reset, [this](const QString &text) { shown = text; });
        QObject::connect(&log, &TransferLog::changed, [this](int removed, const QString &added) {
            overRemoved |= removed > shown.size();
            shown.chop(removed);
            shown += added;
        });
    }
    QString shown;
    bool overRemoved = false;
};

// A port as the fake system shows it to the access check; user "ana"
// (group 1000), groups dialout (20) and uucp (10).
struct AccessCase
{
    QString device = QStringLiteral("/dev/ttyUSB0");
    int statError = 0;
    uint group = 20;
    uint mode = 020660;
    int openError = 0;
    QList<uint> memberOf{1000};
    QList<uint> inSession{1000};
    QString lock{}; // path of the one lock file there is
    QByteArray lockBytes{};
    PortAccess::Problem problem = PortAccess::Ok;
    QStringList facts{}; // in the reason; a lone sentence ending in "." is the whole of it
};

PortSystem fakeSystem(const AccessCase &c)
{
    PortSystem system;
    system.open = [c](const QString &) { return c.openError; };
    system.stat = [c](const QString &) { return PortSystem::File{c.statError, c.group, c.mode}; };
    system.user = [c] { return PortSystem::User{QStringLiteral("ana"), c.memberOf, c.inSession}; };
    system.groupName = [](uint group) {
        return group == 20 ? QStringLiteral("dialout") : group == 10 ? QStringLiteral("uucp") : QString();
    };
    system.lockDirectories = {QStringLiteral("/var/lock"), QStringLiteral("/run/lock")};
    system.readLock = [c](const QString &path) { return path == c.lock ? c.lockBytes : QByteArray(); };
    system.runningProgram = [](qint64 pid) -> std::optional<QString> {
        if (pid == 4321)
            return QStringLiteral("minicom");
        return std::nullopt;
    };
    return system;
}

} // namespace

Q_DECLARE_METATYPE(AccessCase)

// The transfer's logic, with no window: the log box's text and file, the
// dialogue with the modem and the names of the ports.
class TestTransferLogPorts : public QObject
{
    Q_OBJECT

private slots:
    void rendering_data()
    {
        QTest::addColumn<QByteArray>("start");
        QTest::addColumn<QList<QByteArray>>("chunks");
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<QString>("shown");

        // The file, synced after each chunk, follows backspaces over bytes
        // already written; NUL and Latin-1 bytes go in as they are.
        using L = QList<QByteArray>;
        const QByteArray none;
        QTest::newRow("LF CR logs as CR LF") << none << L{"a\n\rb\n\r"} << QByteArray("a\r\nb\r\n") << "a\nb\n";
        QTest::newRow("lone LF alternates") << none << L{"a\nb\nc\n"} << QByteArray("a\rb\nc\r") << "a\nb\nc\n";
        QTest::newRow("break split over two polls") << none << L{"a\r", "\nb"} << QByteArray("a\r\nb") << "a\nb";
        QTest::newRow("backspace on an empty log") << none << L{"\b\b", "x"} << QByteArray("x") << "x";
        QTest::newRow("backspace takes half a break") << none << L{"ab\r\n", "\b"} << QByteArray("ab\r") << "ab\n";
        QTest::newRow("backspace into the transfer's text")
            << QByteArray("....>") << L{"\b\b"} << QByteArray("...") << "...";
        QTest::newRow("NUL kept, not shown") << none << L{QByteArray("a\0b", 3)} << QByteArray("a\0b", 3) << "ab";
        QTest::newRow("backspace over NUL") << none << L{QByteArray("a\0", 2), "\b"} << QByteArray("a") << "a";
        QTest::newRow("Latin-1") << none << L{"Se\xf1or"} << QByteArray("Se\xf1or") << QStringLiteral("Señor");
    }

    void rendering()
    {
        QFETCH(QByteArray, start);
        QFETCH(QList<QByteArray>, chunks);
        QFETCH(QByteArray, stored);
        QFETCH(QString, shown);

        WorkDir dir;
        TransferLog log;
        DeltaFollower view(log);
        LogFile file;
        QString error;
        QVERIFY(file.open(QStringLiteral("912345678"), &error));
        log.setText(start);
        file.sync(log);
        log.startReading();
        for (const QByteArray &chunk : chunks) {
            log.appendReceived(chunk);
            file.sync(log);
        }
        QCOMPARE(log.bytes(), stored);
        QCOMPARE(readBytes(logFile), stored);
        QCOMPARE(log.displayText(), shown);
        QCOMPARE(view.shown, shown);
        QVERIFY(!view.overRemoved);
    }

    // Whole transfers, stopped or cut off or not, with the exact bytes and
    // send times. The modem answers "OK" at 46 s, just after script line 0,
    // and "!" 1 ms before the end, which the log file must still hold. A fast
    // load, meeting no prompt, keeps to the same times.
    void transfer_data()
    {
        QTest::addColumn<bool>("fast");
        QTest::addColumn<int>("lines");
        QTest::addColumn<qint64>("stopAt"); // -1: not stopped
        QTest::addColumn<qint64>("lostAt"); // -1: the port stays
        QTest::addColumn<bool>("writeFails"); // at lostAt, rather than the port going
        QTest::addColumn<qint64>("end");
        QTest::addColumn<QByteArray>("logged");
        QTest::addColumn<QString>("stored"); // claves.dat afterwards; it held "abc"

        const auto row = [](const char *name, int lines, qint64 stopAt, qint64 lostAt, bool writeFails,
                            qint64 end, const QByteArray &logged, const char *stored) {
            for (bool fast : {false, true})
                QTest::addRow("%s%s", name, fast ? ", fast" : "")
                    << fast << lines << stopAt << lostAt << writeFails << end << logged << stored;
        };
        const QByteArray ok = startText + "OK\r\n";
        row("empty script", 0, -1, -1, false, 44000, startText + "\r\n", "nueva1");
        row("49 lines fit", 49, -1, -1, false, 276000, ok + "!\r\n", "nueva1");
        row("stop in the wait after line 4", 32, 97500, -1, false, 113500, ok + "\r\n" + stopLine, "nueva1");
        row("stop in the wait after the last line", 32, 205500, -1, false, 221500, ok + "\r\n" + stopLine,
            "nueva1");
        row("port lost in the closing lines", 32, 97500, 102500, false, 102500, ok + "\r\n" + stopLine, "nueva1");
        // What arrived after the last poll but before the loss is logged too.
        row("port lost mid-transfer", 32, -1, 100020, false, 100020, ok + "!last words\r\n", "nueva1");
        // "admin nueva1" goes out at 24 s: lost before it, the modem still
        // has the previous password, and so has the file.
        row("port lost before the new password went out", 32, -1, 22000, false, 22000, passwordText + "\r\n",
            "abc");
        row("port lost after the new password went out", 32, -1, 26000, false, 26000, passwordText + "\r\n",
            "nueva1");
        // A write that does not reach the port ends it all as a lost port.
        row("the new password's write fails", 32, -1, 24000, true, 24000, passwordText + "\r\n", "abc");
        row("a script line's write fails", 32, -1, 100000, true, 100000, ok + "!\r\n", "nueva1");
    }

    void transfer()
    {
        QFETCH(bool, fast);
        QFETCH(int, lines);
        const QString next = QStringLiteral("nueva1");
        QFETCH(qint64, stopAt);
        QFETCH(qint64, lostAt);
        QFETCH(bool, writeFails);
        QFETCH(qint64, end);
        QFETCH(QByteArray, logged);
        QFETCH(QString, stored);

        Rig rig(lines);
        rig.fast = fast;
        rig.link.failWriteAt = writeFails ? lostAt : -1;
        QVERIFY(storePassword(QStringLiteral("abc")));
        // An older log anyone could read: the modem echoes the new password.
        QVERIFY(QDir().mkpath(QStringLiteral("logs")) && writeBytes(logFile, "older"));
        QVERIFY(QFile::setPermissions(logFile, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther));
        QCOMPARE(rig.start("trumelox", next), std::nullopt);
        QCOMPARE(loadPassword(), next);

        // The password phase stays hidden, even once the screen is activated
        // again; the stop button does nothing before script line 4.
        // A kill finds the log as far as the last poll, and the journal
        // until "admin nueva1" has reached the port.
        rig.clock.advanceTo(20000);
        QCOMPARE(readBytes(logFile), passwordText);
        rig.dialogue.screenActivated();
        rig.link.receive("admin\r\nPassword: secreto\r\n");
        rig.dialogue.stop();
        rig.clock.advanceTo(std::min<qint64>(46000, end - 1)); // an empty script ends at 44 s
        QCOMPARE(QFile::exists(passwordJournalPath()), end <= 24000);
        rig.link.receive("OK\r\n");
        rig.dialogue.stop();
        if (end > 46010) {
            rig.clock.advanceTo(46010);
            QCOMPARE(readBytes(logFile), startText + "OK\r\n");
        }

        Writes expected = schedule(lines, "trumelox", next);
        if (stopAt >= 0) {
            rig.clock.advanceTo(stopAt);
            QCOMPARE(rig.dialogue.progress().totalMs, 208000);
            rig.dialogue.stop();
            QCOMPARE(rig.controls.stopCommads, false);
            QCOMPARE(rig.dialogue.progress().totalMs, stopAt + 16000);
            rig.link.receive("answer to top\r\n"); // neither shown nor logged
            rig.clock.advance(2000);
            rig.dialogue.screenActivated(); // must not undo the stop
            QVERIFY(rig.dialogue.stopSendingCommands());
            while (expected.last().first > stopAt)
                expected.removeLast();
            qint64 t = stopAt;
            for (const char *line : {"top\r", "quit\r", "logout\r", "\r"})
                expected.append({std::exchange(t, t + 4000), line});
        }
        rig.clock.advanceTo(end - 1);
        QVERIFY(rig.finished.isEmpty());
        rig.link.receive("!");
        if (lostAt >= 0) {
            rig.clock.advanceTo(lostAt);
            rig.link.receive("last words");
            rig.link.unplug(QStringLiteral("Se ha desconectado el adaptador."));
            QVERIFY(rig.failures.value(0).text.endsWith(writeFails ? "No se ha podido escribir en el puerto."
                                                                   : "Se ha desconectado el adaptador."));
            while (expected.last().first >= lostAt + !writeFails)
                expected.removeLast();
        }
        rig.clock.advanceTo(end + 300000);
        QCOMPARE(rig.finished, (Times{{end, stopAt >= 0}}));
        QCOMPARE(rig.link.writes, expected);
        QCOMPARE(rig.failures.size(), int(lostAt >= 0));
        QCOMPARE(rig.controls, (TransferControls{.userPhoneNumberValue = true, .loadConf = true,
                                                 .close = true, .stopCommads = false,
                                                 .inputValue = true, .mainMenuButtons = true}));
        QCOMPARE(readBytes(logFile), logged);
#ifdef Q_OS_UNIX
        QCOMPARE(QFileInfo(logFile).permissions() & ~(QFile::ReadUser | QFile::WriteUser),
                 QFile::ReadOwner | QFile::WriteOwner);
#endif
        QCOMPARE(loadPassword(), stored);
        QVERIFY(!QFile::exists(passwordJournalPath()));
        rig.dialogue.screenActivated(); // idle now: the next transfer may run
        QVERIFY(!rig.dialogue.stopSendingCommands());

        // After a normal end the port stays open and the log goes on;
        // the stop button was enabled from script line 4 on, never before.
        QCOMPARE(rig.link.isOpen(), stopAt < 0 && lostAt < 0);
        QCOMPARE(rig.clock.armedCount(), int(rig.link.isOpen())); // the receive poll
        if (rig.link.isOpen()) {
            rig.link.receive("Restarting\r\n");
            rig.clock.advance(1000);
            QCOMPARE(rig.log.bytes(), logged.chopped(2) + "Restarting\r\n");
            QCOMPARE(readBytes(logFile), logged); // the file ended with the transfer
            Times stopButton{{0, false}};
            for (int i = 0; i < lines; ++i)
                stopButton.append({expected[9 + i].first, i >= 4});
            QCOMPARE(rig.stopButton, stopButton << std::pair(end, false));

            // The next transfer closes the port left open and runs in full. Its
            // script is written by hand: each entry goes out as written from its
            // first non-blank character, one line each, never with a CR or LF
            // inside; so does a password read from a hand-edited claves.dat.
            QVERIFY(writeBytes(QStringLiteral("configuraciones/912345678.cfg"),
                               "restore config default\r\nrestart\r\n  admin\r\nold\r\n"
                               "  set a,set b  \r\n\"set c, d\" dropped,\" e \"\r\n"
                               "\tset f\r\n\r\n\"open quote, g\r\nlast\n"));
            const qint64 second = rig.clock.now();
            // Where the file system holds no permissions (FAT) all is written the same.
            const auto restrict = std::exchange(textfile::restrictToOwner, [](int) { return false; });
            const auto putBack = qScopeGuard([restrict] { textfile::restrictToOwner = restrict; });
            QVERIFY(!rig.dialogue.prepare({"912345678", 3, "trumelox\nquit", next}));
            QVERIFY(!rig.link.isOpen());
            QVERIFY(rig.log.isEmpty());
            rig.dialogue.begin();
            rig.clock.advance(300000);
            QCOMPARE(rig.finished.last(), std::pair(second + 128000, false));
            QByteArrayList sent;
            for (const auto &[time, bytes] : rig.link.writes.mid(expected.size()))
                sent << bytes;
            QCOMPARE(sent, (QByteArrayList{"\r", "\r", "admin\r", "trumelox\r", "conf\r", "password\r",
                                           "admin nueva1\r", "top\r", "quit\r", "restore config default\r",
                                           "restart\r", "admin\r", "nueva1\r", "set a\r", "set b  \r",
                                           "set c, d\r", " e \r", "\tset f\r", "\r", "open quote, g\r",
                                           "last\r"}));
            QCOMPARE(readBytes(logFile), startText + "\r\n");
        }
    }

    // Once the modem has the new password, a journal left behind would put
    // the old one back at the next start: the installer is told to remove it.
    void journalThatCannotGo()
    {
        Rig rig(4);
        QCOMPARE(rig.start("trumelox", "nueva1"), std::nullopt);
        rig.clock.advanceTo(23000);
        QVERIFY(QFile::remove(passwordJournalPath()) && QDir().mkpath(passwordJournalPath() + "/x"));
        rig.clock.advanceTo(300000);
        QCOMPARE(rig.finished.size(), 1);
        QCOMPARE(rig.failures.size(), 1);
        QVERIFY(rig.failures[0].text.contains(QFileInfo(passwordJournalPath()).absoluteFilePath()));
    }

    // The verdict fed by hand: ">" a script line sent, "*" one holding the
    // password, "!" a line of the stop sequence, "<" bytes received, "~" NUL.
    void verdict_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<int>("end"); // LoadVerdict::End
        QTest::addColumn<QString>("text");

        // The last "\n" is the second half of the "\r" before it: one echo for two empty lines.
        QTest::newRow("echoes in pieces behind a prompt, edited, any line break")
            << QStringList{">conf", "<M11", "<12>co", "<nX\b~f\r", "<\nM1112>", ">sys", "<sys\n\r", ">eth",
                           "<eth\n", "<\n", ">top", "<t~op\r", ">", ">", "<\n\r"}
            << 0 << "El módem no ha devuelto 1 de las 6 líneas enviadas: línea 6 «».";
        QTest::newRow("a console that does not echo a password")
            << QStringList{">admin", "<admin\r\n", "*clave", "<password: \r\n", ">conf", "<conf\r\n"} << 0
            << "El módem ha contestado a las 3 líneas enviadas, sin ninguna respuesta de error.";
        QTest::newRow("an answer belongs to the line last sent when it began")
            << QStringList{">conf", "<conf\r\n% INVA", "*clave", "<LID\r\nclave\r\nLogin Incorrect\r\n", ">sys",
                           "<sys\r\nOK\r\n"}
            << 0 << "El módem ha respondido con error a: línea 1 «conf», línea 2 (clave).";
        QTest::newRow("lines lost, five named; the stop sequence not judged")
            << QStringList{">a", ">b", ">c", ">d", ">e", ">f", ">g", "<g\r\n", "!top", "<top\r\nerror\r\n", "!quit"}
            << 1 << "Carga parada. El módem no ha devuelto 6 de las 7 líneas enviadas: línea 1 «a», línea 2 "
                    "«b», línea 3 «c», línea 4 «d», línea 5 «e» y 1 más.";
    }

    void verdict()
    {
        QFETCH(QStringList, steps);
        QFETCH(int, end);
        QFETCH(QString, text);

        LoadVerdict verdict(Preferences().errorWords);
        int index = 0;
        for (const QString &step : steps) {
            const QByteArray bytes = step.mid(1).toLatin1().replace('~', '\0');
            if (step[0] == u'<')
                verdict.received(bytes);
            else
                verdict.sent(step[0] == u'!' ? LoadVerdict::Part::Stop : LoadVerdict::Part::Script, index++,
                             bytes, step[0] == u'*');
        }
        QCOMPARE(verdict.text(LoadVerdict::End(end)), text);
    }

    // adslconf.ini half read is not trusted; blank words would match any answer.
    // The box's choice is what the next read gives, or the save fails and
    // the file stays; a FIFO or device there blocks neither.
    void preferences_data()
    {
        QTest::addColumn<QByteArray>("before"); // "fifo": no regular file
        QTest::addColumn<bool>("on");
        QTest::addColumn<QByteArray>("after"); // empty: refused, left as it was

        QTest::newRow("key twice") << QByteArray("[transfer]\r\nfastLoad=true\r\nfastLoad = true\r\n") << false
                                   << QByteArray("[transfer]\r\nfastLoad=false\r\nfastLoad=false\r\n");
        QTest::newRow("section twice")
            << QByteArray("[transfer]\nfastLoad=true\n[verdict]\nerrorWords=mal\n[transfer]\nfastLoad=true\n") << false
            << QByteArray("[transfer]\nfastLoad=false\n[verdict]\nerrorWords=mal\n[transfer]\nfastLoad=false\n");
        QTest::newRow("section twice, no key")
            << QByteArray("[transfer]\r\na=1\r\n[transfer]\r\nb=2\r\n\r\n[verdict]\r\n") << true
            << QByteArray("[transfer]\r\na=1\r\n[transfer]\r\nb=2\r\nfastLoad=true\r\n\r\n[verdict]\r\n");
        QTest::newRow("quote left open swallows the new section")
            << QByteArray("[verdict]\r\nerrorWords=\"mal\r\n") << true << QByteArray();
        QTest::newRow("continued value swallows the new line")
            << QByteArray("[transfer]\r\ncommandPrompt=x>\\\r\n") << true << QByteArray();
#ifdef Q_OS_UNIX
        QTest::newRow("FIFO") << QByteArray("fifo") << true << QByteArray();
#endif
    }

    void preferences()
    {
        QFETCH(QByteArray, before);
        QFETCH(bool, on);
        QFETCH(QByteArray, after);

        WorkDir dir;
        QVERIFY(writeBytes(Preferences::fileName, "[verdict\nerrorWords=mal\n\xff"));
        QCOMPARE(Preferences::load().errorWords, Preferences().errorWords);
        QVERIFY(writeBytes(Preferences::fileName, "[verdict]\r\nerrorWords=fallo, ,  mal \r\n"));
        QCOMPARE(Preferences::load().errorWords, QStringList({"fallo", "mal"}));

        QVERIFY(QFile::remove(Preferences::fileName));
#ifdef Q_OS_UNIX
        if (before == "fifo")
            QCOMPARE(::mkfifo(QFile::encodeName(Preferences::fileName).constData(), 0600), 0);
        else
#endif
            QVERIFY(writeBytes(Preferences::fileName, before));
        const bool regular = QFileInfo(Preferences::fileName).isFile();
        QString error;
        QCOMPARE(Preferences::saveFastLoad(on, &error), !after.isEmpty());
        QCOMPARE(error.isEmpty(), !after.isEmpty());
        // Refused, the file still reads as before: the default.
        QCOMPARE(Preferences::load().fastLoad, !after.isEmpty() && on);
        QCOMPARE(QFileInfo(Preferences::fileName).isFile(), regular);
        if (regular)
            QCOMPARE(readBytes(Preferences::fileName), after.isEmpty() ? before : after);
    }

    // Nothing goes out unless the script fits, the port opens and the new
    // password is stored: one set on the modem but not stored locks it out.
    void refused_data()
    {
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("obstacle"); // what else stands in the way
        QTest::addColumn<QString>("text"); // how the message starts

        const QString missing = QStringLiteral("El fichero de conrfiguración no existe.");
        const QString damaged = QStringLiteral("El fichero de configuración no es un fichero de "
                                               "texto normal o es demasiado grande.");
        QTest::newRow("no such file") << "600000000" << "" << missing;
        QTest::newRow("number with a path in it") << "../912345678" << "" << missing;
        QTest::newRow("script is a folder") << "912345678" << "folder" << missing;
        QTest::newRow("script too large") << "912345678" << "huge" << damaged;
        const QString noLog = "No se puede guardar el registro de la carga. No se ha enviado nada al módem.";
        QTest::newRow("logs is a file") << "912345678" << "logs" << noLog;
#ifdef Q_OS_UNIX
        // Neither blocks, nor empties what a link points to.
        QTest::newRow("log is a FIFO") << "912345678" << "fifo" << noLog;
        QTest::newRow("log is a link") << "912345678" << "link" << noLog;
#endif
        QTest::newRow("50 lines do not fit") << "912345678" << "50 lines"
            << "El fichero de configuración tiene 50 líneas y no puede tener más de 49. No se ha "
               "enviado nada al módem.";
        QTest::newRow("port missing or busy") << "912345678" << "busy port"
            << "El puerto com3 está ocupado.\r\nNo se ha enviado nada al módem.";
        // Its scrambled text would hold a quote, which could never be read back.
        QTest::newRow("password that cannot be stored") << "912345678" << "password 5"
            << "No se ha podido guardar la nueva clave de acceso. No se ha enviado nada al módem.";
        // Left by a transfer cut short; claves.dat was copied in since.
        QTest::newRow("journal not restored") << "912345678" << "journal"
            << "No se puede cargar la configuración mientras exista el fichero @. No se ha enviado";
    }

    void refused()
    {
        QFETCH(QString, number);
        QFETCH(QString, obstacle);
        QFETCH(QString, text);

        Rig rig(obstacle == u"50 lines" ? 50 : 49);
        const QString script = QStringLiteral("configuraciones/912345678.cfg");
        if (obstacle == u"folder")
            QVERIFY(QFile::remove(script) && QDir().mkpath(script));
        if (obstacle == u"huge")
            QVERIFY(writeBytes(script, QByteArray(textfile::maxFileSize + 1, '\n')));
        if (obstacle == u"logs")
            QVERIFY(writeBytes(QStringLiteral("logs"), "in the way"));
        const bool logsMade = obstacle == u"fifo" || obstacle == u"link";
        QVERIFY(!logsMade || QDir().mkpath(QStringLiteral("logs")));
#ifdef Q_OS_UNIX
        if (obstacle == u"fifo")
            QCOMPARE(::mkfifo(QFile::encodeName(logFile).constData(), 0600), 0);
        if (obstacle == u"link")
            QVERIFY(QFile::link(QStringLiteral("../claves.dat"), logFile));
#endif
        const QByteArray stored = "\"NqLoRu\"\r\n\1\r\n";
        QVERIFY(obstacle != u"journal" || storePasswordJournaled(QStringLiteral("otra")));
        QVERIFY(writeBytes(passwordFileName, stored));
        QVERIFY(writeBytes(rig.dir.file("912345678.cfg"), "restart\r\n")); // what "../" reaches
        if (obstacle == u"busy port")
            rig.link.openError = QStringLiteral("El puerto com3 está ocupado.");
        const QString next = obstacle == u"password 5" ? QStringLiteral("5") : QStringLiteral("nueva1");
        QSignalSpy refusedSpy(&rig.dialogue, &TransferDialogue::phoneNumberRefused);
        const std::optional<Message> failure = rig.start("abc", next, number);
        QVERIFY(failure);
        text.replace(u'@', QDir::toNativeSeparators(QDir::current().absoluteFilePath("claves.dat.anterior")));
        QVERIFY2(failure->text.startsWith(text), qPrintable(failure->text));
        QCOMPARE(failure->icon, MessageIcon::Warning);
        const bool fieldEmptied = text.endsWith(u"no existe.");
        QCOMPARE(refusedSpy.size(), int(fieldEmptied));
        QCOMPARE(rig.controls, (TransferControls{.userPhoneNumberValue = true,
                                                 .loadConf = !fieldEmptied, .close = true,
                                                 .stopCommads = false, .inputValue = false,
                                                 .mainMenuButtons = true}));
        rig.dialogue.begin(); // no longer prepared: does nothing
        rig.clock.advance(300000);
        QVERIFY(!rig.link.isOpen());
        QVERIFY(rig.link.writes.isEmpty());
        QCOMPARE(readBytes(passwordFileName), stored);
        QCOMPARE(QFile::exists(passwordJournalPath()), obstacle == u"journal");
        QCOMPARE(QFileInfo(QStringLiteral("logs")).isDir(), logsMade);
    }

    // How a port number becomes a device, with and without a comN entry in
    // the working folder.
    void naming_data()
    {
        QTest::addColumn<int>("port");
        QTest::addColumn<QString>("entry");    // made as comN: "file", or a link to this target
        QTest::addColumn<QString>("expected"); // "@" stands for the working folder
        QTest::addColumn<QString>("shown");    // beside the selector; empty: depends on the machine

#ifdef Q_OS_WIN
        QTest::newRow("windows") << 3 << "" << "COM3" << "";
#else
        QTest::newRow("first port") << 1 << "" << "/dev/ttyS0" << "";
        QTest::newRow("beyond the ports there are") << 300 << "" << "/dev/ttyS299"
                                                    << "com300 → /dev/ttyS299 (no existe)";
        QTest::newRow("link to a device") << 2 << "/dev/null" << "/dev/null" << "com2 → /dev/null";
        QTest::newRow("dangling link keeps its target") << 3 << "/nonexistent/pts/9" << "/nonexistent/pts/9"
                                                        << "com3 → /nonexistent/pts/9 (no existe)";
        QTest::newRow("link to a link ends at the device")
            << 5 << "@/adapter" << "/dev/null" << "com5 → /dev/null";
        QTest::newRow("plain file in the folder") << 4 << "file" << "@/com4" << "com4 → @/com4";
#endif
        QTest::newRow("zero names no port") << 0 << "" << "" << "";
        QTest::newRow("negative names no port") << -1 << "" << "" << "";
    }

    void naming()
    {
        QFETCH(int, port);
        QFETCH(QString, entry);
        QFETCH(QString, expected);
        QFETCH(QString, shown);

        WorkDir work;
        const QString here = QFileInfo(work.path()).canonicalFilePath();
        const QString name = QStringLiteral("com%1").arg(port);
        QVERIFY(QFile::link(QStringLiteral("/dev/null"), QStringLiteral("adapter")));
        if (entry == u"file")
            QVERIFY(writeBytes(name, QByteArray()));
        else if (!entry.isEmpty())
            QVERIFY(QFile::link(entry.replace(u'@', here), name));
        QCOMPARE(serialPortName(port), expected.replace(u'@', here));
        if (!shown.isEmpty())
            QCOMPARE(portDeviceText(port, systemAdapters()), shown.replace(u'@', here));
        // Another number is not affected by this entry.
        if (port >= 1 && !entry.isEmpty())
            QCOMPARE(serialPortName(port + 20), QStringLiteral("/dev/ttyS%1").arg(port + 19));
    }

    // Why a port cannot be opened, for the message that says what to do.
    void portAccess_data()
    {
        QTest::addColumn<AccessCase>("port");
        using P = PortAccess;
        const QString signIn = QStringLiteral("cierre la sesión y vuelva a entrar");
        QTest::newRow("opens") << AccessCase{};
        QTest::newRow("missing") << AccessCase{.statError = ENOENT, .problem = P::Missing,
                                               .facts = {"el puerto no existe."}};
        QTest::newRow("gone as it opens") << AccessCase{.openError = ENXIO, .problem = P::Missing,
                                                        .facts = {"el puerto no existe."}};
        QTest::newRow("not in the group")
            << AccessCase{.openError = EACCES, .problem = P::NoPermission,
                          .facts = {"el usuario ana ", "«sudo usermod -aG dialout ana»", signIn}};
        QTest::newRow("not in the device's own group")
            << AccessCase{.group = 10, .openError = EPERM, .problem = P::NoPermission,
                          .facts = {"«sudo usermod -aG uucp ana»", signIn}};
        QTest::newRow("group added, session older")
            << AccessCase{.openError = EACCES, .memberOf = {1000, 20}, .problem = P::GroupNotInSession,
                          .facts = {"el usuario ana ya está en el grupo dialout", signIn}};
        QTest::newRow("root's group: no group to join")
            << AccessCase{.group = 0, .openError = EACCES, .problem = P::NoPermission,
                          .facts = {"el usuario ana no tiene permiso para usarlo: pida al administrador del "
                                    "equipo acceso al dispositivo."}};
        QTest::newRow("group may only read")
            << AccessCase{.mode = 020640, .openError = EACCES, .memberOf = {1000, 20},
                          .problem = P::NoPermission, .facts = {"pida al administrador"}};
        QTest::newRow("in the group, still refused")
            << AccessCase{.openError = EACCES, .memberOf = {1000, 20}, .inSession = {1000, 20},
                          .problem = P::Other, .facts = {"error del sistema (" + qt_error_string(EACCES) + ")."}};
        QTest::newRow("exclusive use")
            << AccessCase{.openError = EBUSY, .problem = P::Busy,
                          .facts = {"lo tiene abierto otro programa: ciérrelo y vuelva a cargar."}};
        // The lock is looked at before any open: as root the open would go
        // through, and here it would say "permission".
        QTest::newRow("UUCP lock of a live program")
            << AccessCase{.openError = EACCES, .lock = "/var/lock/LCK..ttyUSB0", .lockBytes = "      4321\n",
                          .problem = P::Busy,
                          .facts = {"lo tiene abierto otro programa (minicom): ciérrelo y vuelva a cargar."}};
        QTest::newRow("Qt's lock on a pseudo-terminal, second folder")
            << AccessCase{.device = "/dev/pts/3", .lock = "/run/lock/LCK..pts_3",
                          .lockBytes = "4321\nadslconf\nportatil\n", .problem = P::Busy, .facts = {"(minicom)"}};
        QTest::newRow("stale lock") << AccessCase{.lock = "/var/lock/LCK..ttyUSB0", .lockBytes = "999\n"};
        QTest::newRow("lock of another port") << AccessCase{.lock = "/var/lock/LCK..ttyUSB1", .lockBytes = "4321\n"};
        QTest::newRow("other error") << AccessCase{.openError = EIO, .problem = P::Other,
                                                   .facts = {"error del sistema (" + qt_error_string(EIO) + ")."}};
    }

    void portAccess()
    {
        QFETCH(AccessCase, port);
#ifdef Q_OS_WIN
        QSKIP("Windows has no device groups or lock files");
#endif
        const PortAccess access = checkPortAccess(port.device, fakeSystem(port));
        QCOMPARE(access.problem, port.problem);
        const QString reason = portAccessReason(access);
        if (port.facts.size() == 1 && port.facts[0].endsWith(u'.'))
            QCOMPARE(reason, port.facts[0]);
        for (const QString &fact : std::as_const(port.facts))
            QVERIFY2(reason.contains(fact), qPrintable(reason));
        QCOMPARE(reason.isEmpty(), port.problem == PortAccess::Ok);
    }

    // The same check on this machine: a lock naming this very test, and
    // files of mode 0660 looked at as the user nobody by a copy of this
    // program.
    void portAccessForReal()
    {
#ifndef Q_OS_UNIX
        QSKIP("POSIX only");
#else
        QTemporaryDir dir(QStringLiteral("/tmp/adslconf-access-XXXXXX"));
        QVERIFY(dir.isValid());
        const QString device = dir.filePath(QStringLiteral("port"));
        QVERIFY(writeBytes(device, QByteArray()));
        PortSystem system = PortSystem::real();
        QCOMPARE(checkPortAccess(device, system).problem, PortAccess::Ok);
        QCOMPARE(checkPortAccess(device + u'x', system).problem, PortAccess::Missing);
        system.lockDirectories = {dir.path()};
        QVERIFY(writeBytes(dir.filePath("LCK.." + QString(device).replace(u'/', u'_')),
                           QByteArray::number(::getpid()).rightJustified(10) + '\n'));
        const PortAccess locked = checkPortAccess(device, system);
        QCOMPARE(locked.problem, PortAccess::Busy);
        QCOMPARE(locked.holder, QCoreApplication::applicationName().left(15)); // the kernel's length

        const passwd *nobody = ::getpwnam("nobody");
        const group *dialout = ::getgrnam("dialout");
        if (::getuid() != 0 || !nobody || !dialout)
            QSKIP("needs root, a user nobody and a group dialout");
        const uid_t uid = nobody->pw_uid;
        const gid_t own = nobody->pw_gid;
        const group *ownGroup = ::getgrgid(own);
        const QString ownName = ownGroup ? QString::fromLocal8Bit(ownGroup->gr_name) : QString::number(own);
        QVERIFY(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                                       | QFile::ReadGroup | QFile::ExeGroup
                                                       | QFile::ReadOther | QFile::ExeOther));
        // The second file's group is nobody's own in the group database, but
        // the child runs with none of its groups, as a session opened before.
        const QString second = dir.filePath(QStringLiteral("second"));
        QVERIFY(writeBytes(second, QByteArray()));
        for (const auto &[path, gid] : {std::pair{device, dialout->gr_gid}, std::pair{second, own}}) {
            QCOMPARE(::chown(QFile::encodeName(path).constData(), 0, gid), 0);
            QCOMPARE(::chmod(QFile::encodeName(path).constData(), 0660), 0);
        }
        const gid_t outsider = own - 1;
        QProcess child;
        child.setChildProcessModifier([uid, outsider] {
            if (::setgroups(0, nullptr) != 0 || ::setgid(outsider) != 0 || ::setuid(uid) != 0)
                ::_exit(3);
        });
        child.start(QCoreApplication::applicationFilePath(), {QString::fromLatin1(childFlag), device, second});
        if (!child.waitForStarted(5000))
            QSKIP("the user nobody cannot run this test's program here");
        QVERIFY(child.waitForFinished(10000));
        QCOMPARE(child.exitCode(), 0);
        QCOMPARE(QString::fromLocal8Bit(child.readAllStandardOutput()),
                 QStringLiteral("%1 dialout nobody\n%2 %3 nobody\n")
                     .arg(int(PortAccess::NoPermission))
                     .arg(int(PortAccess::GroupNotInSession))
                     .arg(ownName));
#endif
    }

    // The system's adapters: each by-id name joins the device it leads to;
    // one whose adapter has gone is left out.
    void adaptersById()
    {
#ifndef Q_OS_LINUX
        QSKIP("by-id names are Linux's");
#else
        WorkDir work;
        QVERIFY(QDir().mkdir("by-id"));
        QVERIFY(QFile::link("/dev/null", "by-id/usb-Sim_Modem_0001-if00"));
        QVERIFY(QFile::link("/nonexistent/ttyUSB9", "by-id/usb-Gone-if00"));
        const QList<SerialAdapter> found = systemAdapters(work.file("by-id"));
        QList<SerialAdapter> named;
        std::copy_if(found.begin(), found.end(), std::back_inserter(named),
                     [](const SerialAdapter &adapter) { return !adapter.byId.isEmpty(); });
        QCOMPARE(named.size(), 1);
        QCOMPARE(named[0].device, "/dev/null");
        QCOMPARE(named[0].byId, work.file("by-id/usb-Sim_Modem_0001-if00"));
        QCOMPARE(adapterEntryText(named[0]), "usb-Sim_Modem_0001-if00 (null)");
#endif
    }

    void selectorText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("port"); // 0: names no port
        QTest::newRow("listed") << "com1" << 1;
        QTest::newRow("upper case") << "COM14" << 14;
        QTest::newRow("above the list") << "com21" << 21;
        QTest::newRow("largest") << "com32767" << 32767;
        for (const char *text : {"com0", "com", "com 5", " com5", "com5 ", "x", "com-1", "com+1", "com1a",
                                 "com32768", "com\u0663", "ttyS0", ""})
            QTest::newRow(text) << QString::fromUtf8(text) << 0;
    }

    void selectorText()
    {
        QFETCH(QString, text);
        QFETCH(int, port);
        QCOMPARE(portNumberOf(text).value_or(0), port);
    }
};

// Run with childFlag and paths, the program checks each as whoever runs it
// and prints the problem, the group and the user.
int main(int argc, char *argv[])
{
    if (argc >= 2 && qstrcmp(argv[1], childFlag) == 0) {
        for (int i = 2; i < argc; ++i) {
            const PortAccess access = checkPortAccess(QString::fromLocal8Bit(argv[i]));
            printf("%d %s %s\n", int(access.problem), qPrintable(access.group), qPrintable(access.user));
        }
        return 0;
    }
    QCoreApplication app(argc, argv);
    TestTransferLogPorts test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_transfer_log_ports.moc"
