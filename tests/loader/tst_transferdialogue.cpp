#include "loader/preferences.h"
#include "password/passwordstore.h"
#include "shell/textfile.h"

#include "transferrig.h"

#include <QScopeGuard>
#include <QSignalSpy>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

// The dialogue with the modem in virtual time: whole transfers, what
// refuses one, the verdict it gives and the preferences it reads.

namespace {

const QByteArray passwordText = "Actualizando password. Por favor espere.\r\n";
const QByteArray startText = passwordText + "....>";
const QByteArray stopLine = "---- Transference terminated by user ----\r\n";
const QString logFile = QStringLiteral("logs/912345678.log");

} // namespace

class TestTransferDialogue : public QObject
{
    Q_OBJECT

private slots:
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
            QCOMPARE(rig.stopAllowed, false);
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
        QCOMPARE(std::tuple(rig.runs, rig.running, rig.stopAllowed), std::tuple(1, false, false));
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
        QString error;
        QVERIFY(rig.link.open(3, &error)); // left open by the last load
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
        QCOMPARE(std::tuple(rig.runs, rig.running, rig.stopAllowed), std::tuple(0, false, false));
        rig.dialogue.begin(); // no longer prepared: does nothing
        rig.clock.advance(300000);
        QVERIFY(!rig.link.isOpen());
        QVERIFY(rig.link.writes.isEmpty());
        QCOMPARE(readBytes(passwordFileName), stored);
        QCOMPARE(QFile::exists(passwordJournalPath()), obstacle == u"journal");
        QCOMPARE(QFileInfo(QStringLiteral("logs")).isDir(), logsMade);
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
};

QTEST_GUILESS_MAIN(TestTransferDialogue)
#include "tst_transferdialogue.moc"
