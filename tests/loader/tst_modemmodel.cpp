#include "builder/configscript.h"
#include "loader/loadmessages.h"
#include "loader/modemload.h"
#include "loader/modemreadiness.h"
#include "loader/preferences.h"
#include "password/passwordstore.h"
#include "settings/servicesettings.h"

#include "simulatedmodem.h"
#include "transferrig.h"

#include <QSignalSpy>

#include <filesystem>

Q_DECLARE_METATYPE(ModemSettings)

namespace {

ModemSettings quickModem()
{
    ModemSettings settings;
    settings.answerMin = settings.answerMax = 100;
    settings.bootMs = 1000;
    return settings;
}

// One line every 200 ms from the given time, each answered before the next.
QStringList spaced(int from, const QStringList &lines)
{
    QStringList out;
    for (const QString &line : lines)
        out.append(QStringLiteral("%1 %2\r").arg(from + 200 * out.size()).arg(line));
    return out;
}

// The 32-line DHCP script, in the rig's configuraciones/912345678.cfg.
QStringList writeScript()
{
    SubscriberConfig subscriber{"5551234", "Estandar", {"192", "168", "1", "34"},
                                {"255", "255", "255", "248"}, {"10", "0", "0", "2"},
                                {"255", "255", "255", "252"}};
    QStringList lines = buildConfigScript(subscriber, ConfigType::DHCP, defaultSettings()).lines;
    writeBytes(QStringLiteral("configuraciones/912345678.cfg"), lines.join("\r\n").toLatin1() + "\r\n");
    return lines;
}

struct LoadRun
{
    QList<std::pair<qint64, QByteArray>> writes;
    qint64 end = -1;
    QString verdict;
    ModemRecord record;
    QString modem;        // its final password and running configuration
    QByteArray clavesBefore;
    QByteArray claves;
    QString password;     // claves.dat's
    bool journal = false; // claves.dat.anterior left
    QList<qint64> totals; // the progress bar's
    QByteArray log;
    QStringList failures; // the boxes' texts
    bool portOpen = false;
};

std::vector<std::string> stdLines(const QStringList &lines)
{
    std::vector<std::string> out;
    for (const QString &line : lines)
        out.push_back(line.toStdString());
    return out;
}

} // namespace

// The modem simulator's model of the console, in virtual time.
class TestModemModel : public QObject
{
    Q_OBJECT

private slots:
    // Each row feeds "<ms> <bytes>" steps, logged in first or not, and
    // checks what the console said and its record (lines received and
    // commands accepted left out), final state included.
    void console_data()
    {
        QTest::addColumn<bool>("loggedIn");
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QByteArray>("output");
        QTest::addColumn<QString>("record");

        QTest::newRow("login, wrong password, right one") << false
            << QStringList{"0 \r", "1000 admin\r", "2000 wrong\r", "3000 admin\r", "4000 trumelox\r"}
            << QByteArray("\r\nlogin: admin\r\npassword: wrong\r\nLogin incorrect\r\nlogin: admin\r\n"
                          "password: trumelox\r\nM1112>")
            << "login 2000 refused\nlogin 4000 ok\npassword trumelox\n";
        QTest::newRow("unknown or in the wrong mode") << true
            << QStringList{"1000 hostname x\r", "2000 conf\r", "3000 restart\r", "4000 quit\r"}
            << QByteArray("hostname x\r\n% Invalid command\r\nM1112>conf\r\nM1112>restart\r\n"
                          "% Invalid command\r\nM1112>quit\r\nM1112>")
            << "refused 1000 hostname x\nrefused 3000 restart\npassword trumelox\n";
        QTest::newRow("input buffered while answering") << true
            << QStringList{"1000 conf\rsy\bys\r", "1050 hostname 5\r"}
            << QByteArray("conf\r\nM1112>sy\b \bys\r\nM1112>hostname 5\r\nM1112>")
            << "buffered 1000 sy\\x08ys\nbuffered 1050 hostname 5\npassword trumelox\n"
               "config sys\nconfig hostname 5\n";
        QTest::newRow("restart drops what waits, boot loses what comes") << true
            << QStringList{"1000 save conf start\rrestart\rconf\r", "1500 admin\r", "2050 adm",
                           "2200 in\r", "2400 trumelox\r"}
            << QByteArray("save conf start\r\nM1112>restart\r\nNokia M1112 ADSL Router\r\nlogin: in\r\n"
                          "password: trumelox\r\nLogin incorrect\r\nlogin: ")
            << "buffered 1000 restart\nbuffered 1000 conf\nlost 1100 restart conf\\x0D\n"
               "lost 1500 booting admin\\x0D\nlost 2100 booting adm\nlogin 2400 refused\n"
               "password trumelox\n";
        QTest::newRow("restore keeps the password, restart runs what was saved") << true
            << spaced(1000, {"conf", "password", "admin nueva", "top", "sys", "quit", "save conf start",
                             "restore config default", "conf", "eth", "quit", "save conf startup",
                             "conf", "vcc1", "quit", "restart"}) + spaced(9000, {"admin", "nueva"})
            << QByteArray() << "login 9200 ok\npassword nueva\nconfig eth\n";
    }

    void console()
    {
        QFETCH(bool, loggedIn);
        QFETCH(QStringList, steps);
        QFETCH(QByteArray, output);
        QFETCH(QString, record);

        ModemModel modem(quickModem(), {});
        if (loggedIn) {
            modem.receive(0, "admin\rtrumelox\r");
            modem.advanceTo(1000);
            modem.takeOutput();
            modem.takeRecord();
        }
        for (const QString &step : steps) {
            const qsizetype space = step.indexOf(u' ');
            modem.receive(step.left(space).toLongLong(), step.mid(space + 1).toStdString());
        }
        modem.advanceTo(100000);
        if (!output.isEmpty())
            QCOMPARE(QByteArray::fromStdString(modem.takeOutput()), output);
        QString kept;
        for (const QString &line : QString::fromStdString(modem.takeRecord() + modem.finalState()).split(u'\n')) {
            if (!line.isEmpty() && !line.startsWith("received ") && !line.startsWith("accepted "))
                kept += line + u'\n';
        }
        QCOMPARE(kept, record);
    }

    // The password set in one run is the one the next run checks.
    void stateFileSurvivesTheProcess()
    {
        WorkDir work;
        ModemModel first(quickModem(), {});
        first.receive(0, "admin\rtrumelox\rconf\rpassword\radmin nu\\x41va\r");
        first.advanceTo(10000);
        QVERIFY(first.takeFlashChange());
        QVERIFY(writeFlash("state", first.flash()));
        const std::optional<ModemFlash> flash = readFlash("state");
        QVERIFY(flash);
        QCOMPARE(QString::fromStdString(flash->password), "nu\\x41va"); // looks like an escape
        ModemModel second(quickModem(), *flash);
        second.receive(0, "admin\rtrumelox\radmin\rnu\\x41va\r");
        second.advanceTo(10000);
        QCOMPARE(qt(parseRecord(second.takeRecord()).texts("login")), QStringList({"refused", "ok"}));

        QCOMPARE(QString::fromStdString(readFlash("missing")->password), "trumelox");
        QVERIFY(writeBytes("damaged", "garbage\n"));
        QVERIFY(!readFlash("damaged"));
    }

    // A modem of its own words: the load reads its error words in adslconf.ini.
    void errorWordsFromThePreferences()
    {
        Rig rig(5);
        ModemSettings settings;
        settings.texts.error = "Orden rechazada";
        SimulatedModem modem(rig.link, rig.clock, settings);
        QVERIFY(writeBytes(Preferences::fileName, "[verdict]\nerrorWords=rechazada\n"));
        QCOMPARE(rig.start("trumelox", "nueva1"), std::nullopt);
        rig.clock.advance(220000);
        QCOMPARE(rig.dialogue.verdict(), "El módem ha respondido con error a: línea 5 «set command 4».");
    }

    // The readiness rules, step by step: "s" sends a line, "r" receives,
    // "+" lets time pass, "w" ends a line at its fixed wait, "?" notes
    // whether the line counts as answered then, "!" whether the login
    // counts as refused and "D" whether it does at the line's deadline.
    // "@" is a NUL.
    void readiness_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("noted");

        const QStringList loggedIn{"s", "r\r\nlogin: ", "+600", "?", "s", "r\r\nlogin: ", "+150", "?", "sadmin",
                                   "radmin\r\npassword: ", "+600", "?", "spw", "r\r\nM> ", "+600", "?"};
        QTest::newRow("two empty lines teach the login prompt, then learned, then known after a short quiet")
            << loggedIn + QStringList{"sconf", "rconf\r\nM@x\b>", "+140", "?", "+10", "?"} << "011001";
        QTest::newRow("a refused login is no command prompt")
            << loggedIn.mid(0, 12) + QStringList{"sx", "r\r\nLogin incorrect\r\nlogin: ", "+140", "!D", "+10", "?!"}
            << "011-R0R";
        QTest::newRow("one prompt for everything is every kind, never refused")
            << QStringList{"s", "r\r\n> ", "+600", "s", "r\r\n> ", "+150", "?", "sadmin", "radmin\r\n> ", "+600", "?",
                           "sx", "rx\r\n> ", "+600", "?!", "sy", "ry\r\nLogin incorrect\r\n> ", "+600", "?!"}
            << "110-1-";
        QTest::newRow("boot output is no answer, nor a text answering one empty line")
            << QStringList{"s", "rBooting\r\nLoading", "+5000", "?", "s", "r\r\nlogin: ", "+5000", "?", "s",
                           "r\r\nlogin: ", "+150", "?"} << "001";
        QTest::newRow("a user name read at a text teaches it as the login prompt")
            << QStringList{"s", "+4000", "s", "r\r\nlogin: ", "+4000", "?", "sadmin", "radmin\r\npassword: ", "+600",
                           "?", "spw", "r\r\nLogin incorrect\r\nlogin: ", "+150", "!"} << "01R";
        QTest::newRow("a console may log out after quit, a restart carry a blank")
            << loggedIn + QStringList{"squit", "rquit\r\nlogin: ", "+150", "!", "srestart ", "r\r\nlogin: ", "+150", "?"}
            << "0110-1";
        QTest::newRow("after a restart only a known login prompt counts, not a boot that goes quiet")
            << loggedIn + QStringList{"srestart", "rBooting\r\nLoading", "+9000", "?", "r\r\nlogin:", "+150", "?"}
            << "011001";
        QTest::newRow("a text shown while the modem works is no prompt, not even at the fixed wait")
            << loggedIn + QStringList{"sx", "rx\r\nWorking", "+4000", "w", "sy", "r\r\nM> y\r\nWorking", "+1000", "?",
                                      "w", "sz", "rz\r\nWorking", "+1000", "?", "r\r\nM> ", "+150", "?"}
            << "0110001";
        QStringList prompts = loggedIn;
        for (int i = 0; i <= ModemReadiness::maxCommandPrompts; ++i)
            prompts << "sx" << QStringLiteral("rx\r\nN%1>").arg(i) << "+600" << "w";
        QTest::newRow("a prompt met at the fixed wait counts once a line is read at it, the oldest forgotten")
            << prompts + QStringList{"sx", "rx\r\nN0>", "+600", "?", "sx", "rx\r\nN1>", "+150", "?"} << "011001";
    }

    void readiness()
    {
        QFETCH(QStringList, steps);
        QFETCH(QString, noted);

        ModemReadiness readiness;
        qint64 now = 0;
        QString seen;
        for (const QString &step : steps) {
            const QByteArray rest = step.mid(1).toLatin1().replace('@', '\0');
            switch (step[0].toLatin1()) {
            case 's': readiness.sent(rest, now); break;
            case 'r': readiness.received(rest, now); break;
            case '+': now += rest.toLongLong(); break;
            case 'w': readiness.waitedOut(now); break;
            default:
                for (const QChar check : step)
                    seen += check == u'?' ? (readiness.answered(now) ? u'1' : u'0')
                                          : (readiness.refused(now, check == u'D') ? u'R' : u'-');
            }
        }
        QCOMPARE(seen, noted);
    }

    // Every row loads the 32-line script twice into the same kind of modem,
    // on the fixed schedule and as a fast load. The fast load is never
    // worse: the same lines in the same order, none later than the fixed
    // load sent it nor than its own fixed wait allows, no line lost or
    // waiting in a busy modem that the fixed load did not lose or make
    // wait, the same modem at the end and the same claves.dat. Its pattern
    // has one mark per line sent, password phase first: "." went before its
    // fixed wait ran out, "f" exactly at it. A refused login ends both loads
    // after the password, with claves.dat as it was and no journal.
    void fastAgainstFixed_data()
    {
        QTest::addColumn<ModemSettings>("settings");
        QTest::addColumn<QString>("modemPassword");
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<double>("share"); // of the fixed load's 208 s, at most
        QTest::addColumn<bool>("configured");

        // The first empty line and the password wait their 4 s; the last
        // restart outlasts its wait.
        const QString fast = "f..f" + QString(5 + 31, u'.') + u'f';
        const QString commandsFixed = "f..ffffff" "f..f" + QString(28, u'f');
        const auto row = [](const char *name, const ModemSettings &settings, const QString &pattern, double share,
                            bool configured = true, const char *password = "trumelox", const QByteArray &ini = {}) {
            QTest::newRow(name) << settings << QString(password) << ini << pattern << share << configured;
        };
        using S = ModemSettings &;
        const auto with = [](auto change) {
            ModemSettings settings;
            change(settings);
            return settings;
        };
        row("plain", {}, fast, 0.25);
        row("lf, no echo, noise", with([](S s) { s.eol = "\n", s.echo = false, s.noisePercent = 40; }), fast, 0.25);
        row("cr, answers up to 3 s, short boot",
            with([](S s) { s.eol = "\r", s.answerMin = 2000, s.answerMax = 3000, s.bootMs = 5000; }), fast, 0.65);
        row("lfcr, long boot quiet half way", with([](S s) { s.eol = "\n\r", s.bootMs = 38000, s.bootPause = true; }),
            fast, 0.30);
        // Aceptar pressed too soon: lines that go into the boot are lost in
        // both loads; the fast one learns the prompts once the modem is up.
        const QString afterBoot = "ff" + fast.mid(2);
        const std::pair<int, QString> early[] = {
            {2, fast}, {4, afterBoot}, {7, afterBoot},
            {8, "ff.f" + QString(6, u'.') + "f" + QString(29, u'.') + "f"}, // the user name met no login prompt
            {10, "fffff.....f.."}}; // the password went in as the user name: refused after the restart
        for (const auto &[booting, pattern] : early)
            row(qPrintable(QStringLiteral("still booting %1 s when the load starts").arg(booting)),
                with([b = booting](S s) { s.bootPause = true, s.bootingMs = b * 1000; }), pattern, 0.5, booting <= 8);
        const ModemSettings own = with([](S s) {
            s.texts = {"", "Usuario:  ", "Clave: ", "Acceso denegado", "router# ", "Error", ""};
        });
        row("own texts", own, fast, 0.25);
        row("own texts, pinned", own, QString(40, u'.') + u'f', 0.25, true, "trumelox",
            "[transfer]\nloginPrompt=\"Usuario: \"\ncommandPrompt=\"router#\"\n");
        row("own texts, another password: refused", own, "f...", 0.0, false, "otra");
        const ModemSettings one = with([](S s) { s.texts = {"", "> ", "> ", "Login incorrect", "> ", "Error", ""}; });
        row("one prompt for everything", one, fast, 0.25);
        row("one prompt for everything, another password: never judged refused", one, QString(), 0.0, false, "otra");
        row("own prompt after conf, learned at its fixed wait",
            with([](S s) { s.texts.configPrompt = "M1112(conf)>"; }), QString(fast).replace(4, 1, u'f'), 0.27);
        const auto busy = [](S s) { s.busyText = "Working, please wait..."; };
        row("busy 4.5 s after one command, 1 s after the others", with(busy), QString(fast).replace(5, 1, u'f'), 0.45);
        row("busy 2 s after the login",
            with([&](S s) { busy(s), s.busyFirstMs = s.busyMs = 0, s.busyLoginMs = 2000; }), fast, 0.25);
        row("a pinned prompt it never shows", {}, "f..f" + commandsFixed.mid(4), 0.0, true, "trumelox",
            "[transfer]\ncommandPrompt=M1112#\n");
        row("counting prompt fools the learning", with([](S s) { s.countingPrompt = true; }), commandsFixed, 0.0);
    }

    void fastAgainstFixed()
    {
        QFETCH(ModemSettings, settings);
        QFETCH(QString, modemPassword);
        QFETCH(QByteArray, ini);
        QFETCH(QString, pattern);
        QFETCH(double, share);
        QFETCH(bool, configured);

        QStringList script;
        const auto load = [&](bool fast) {
            LoadRun run;
            Rig rig(0);
            rig.fast = fast;
            if (!ini.isEmpty())
                writeBytes(Preferences::fileName, ini);
            storePassword(QStringLiteral("trumelox"));
            run.clavesBefore = readBytes(QStringLiteral("claves.dat"));
            SimulatedModem modem(rig.link, rig.clock, settings, ModemFlash{modemPassword.toStdString(), {}});
            script = writeScript();
            connect(&rig.dialogue, &TransferDialogue::progressChanged, [&](const TransferProgress &p) {
                if (p.phase != TransferPhase::Idle)
                    run.totals.append(p.totalMs);
            });
            if (rig.start("trumelox", "nuevaClave"))
                return run;
            rig.clock.advance(220000);
            run.end = rig.finished.value(0).first;
            for (const Message &m : rig.failures)
                run.failures << m.text;
            run.writes = rig.link.writes;
            run.verdict = rig.dialogue.verdict();
            run.record = modem.record();
            run.modem = QString::fromStdString(modem.model.finalState());
            run.claves = readBytes(QStringLiteral("claves.dat"));
            run.password = loadPassword();
            run.journal = QFileInfo::exists(passwordJournalPath());
            run.log = readBytes(QStringLiteral("logs/912345678.log"));
            run.portOpen = rig.link.isOpen();
            return run;
        };
        const LoadRun fixed = load(false);
        const LoadRun fast = load(true);
        QVERIFY(fixed.end > 0 && fast.end > 0);

        QStringList expected{"", "", "admin", "trumelox", "conf", "password", "admin nuevaClave", "top", "quit"};
        expected += script;
        expected[9 + 3] = "nuevaClave";
        QStringList sent, marks;
        qint64 due = 0;
        for (qsizetype i = 0; i < fast.writes.size(); ++i) {
            const auto &[at, bytes] = fast.writes[i];
            sent.append(QString::fromLatin1(bytes.chopped(1)));
            QVERIFY2(at <= due && at <= fixed.writes.value(i).first, qPrintable(QStringLiteral("line %1 late").arg(i)));
            const qint64 wait = i == 8 ? 12000 : i == 10 ? 40000 : 4000;
            const qint64 gap = (i + 1 < fast.writes.size() ? fast.writes[i + 1].first : fast.end) - at;
            marks.append(gap == wait ? "f" : gap < wait ? "." : "late");
            due = at + wait;
        }
        QStringList sentFixed;
        for (const auto &[at, bytes] : fixed.writes)
            sentFixed.append(QString::fromLatin1(bytes.chopped(1)));
        QCOMPARE(sent, sentFixed);
        if (!pattern.isEmpty())
            QCOMPARE(marks.join(QString()), pattern);
        if (share > 0)
            QVERIFY2(fast.end <= share * 208000, qPrintable(QString::number(fast.end)));
        for (const char *key : {"lost", "buffered"}) {
            QStringList extra = qt(fast.record.texts(key));
            for (const std::string &line : fixed.record.texts(key))
                extra.removeOne(QString::fromStdString(line));
            QVERIFY2(extra.isEmpty(), qPrintable(key + (": " + extra.join(", "))));
        }
        QCOMPARE(fast.modem, fixed.modem);
        QCOMPARE(fast.password, fixed.password);
        QVERIFY(!fast.journal && !fixed.journal);
        QCOMPARE(fast.verdict, fixed.verdict);
        // The time the progress bar shows only falls, from the fixed load's.
        QCOMPARE(fast.totals.first(), 208000);
        QVERIFY(fast.totals.last() >= fast.end);
        QVERIFY(std::is_sorted(fast.totals.rbegin(), fast.totals.rend()));
        // The password phase stays out of the log, as in a fixed load.
        const QByteArray start = "Actualizando password. Por favor espere.\r\n";
        QVERIFY(fast.log.startsWith(start + (fast.log.contains("....>") ? "....>" : "\r\n")));

        if (fixed.verdict == loadmessages::refusedText()) {
            for (const LoadRun *run : {&fixed, &fast}) {
                QCOMPARE(run->writes.size(), 4);
                QCOMPARE(run->claves, run->clavesBefore);
                QVERIFY(!run->portOpen);
                QCOMPARE(run->failures, QStringList{fixed.verdict});
            }
        }
        // Refused after the restart: the modem has the new password, and no command went.
        if (fixed.verdict == loadmessages::refusedAfterRestartText()) {
            QCOMPARE(fixed.writes.size(), 9 + 4);
            QCOMPARE(fixed.password, "nuevaClave");
        }
        if (configured) {
            QCOMPARE(sent, expected);
            QCOMPARE(fast.password, "nuevaClave");
            QCOMPARE(QString::fromStdString(fast.record.password.value_or("")), "nuevaClave");
            QCOMPARE(qt(fast.record.configuration), qt(configurationOf(stdLines(script))));
        }
    }

    // The program runs every load through one ModemLoad for as long as it is
    // open: whatever a load leaves behind (objects, timers, descriptors) piles
    // up over a day of installs. Short loads, fixed and fast in turn.
    void loadsLeaveNothingBehind()
    {
        WorkDir work(true); // some twenty flushes a load
        VirtualTimerSource clock;
        auto owned = std::make_unique<FakeSerialLink>(&clock);
        FakeSerialLink &link = *owned;
        PasswordStore passwords;
        ModemLoad load(std::move(owned), clock, passwords,
                       {.lineWait = 200, .restartWait = 400, .loginPause = 200, .poll = 10});
        ModemSettings settings = quickModem();
        settings.answerMin = settings.answerMax = 20;
        settings.bootMs = 100;
        SimulatedModem modem(link, clock, settings);
        QDir().mkdir(QStringLiteral("configuraciones"));
        QVERIFY(writeBytes(QStringLiteral("configuraciones/5551234.cfg"),
                           "restore config default\r\nrestart\r\nadmin\r\n*****\r\nconf\r\neth\r\nquit\r\n"
                           "save conf start\r\nrestart\r\n"));
        QSignalSpy finished{&load, &ModemLoad::finished};
        // No descriptors counted where there is no /proc.
        std::error_code none;
        const auto left = [&] {
            return QStringLiteral("objects %1, timers %2 (%3 armed), descriptors %4")
                .arg(load.findChildren<QObject *>().size())
                .arg(clock.timerCount())
                .arg(clock.armedCount())
                .arg(std::distance(std::filesystem::directory_iterator("/proc/self/fd", none), {}));
        };
        QString first;
        for (int i = 0; i < 1000; ++i) {
            QVERIFY(!load.prepare(QStringLiteral("5551234"), 1, i % 2));
            load.begin();
            clock.advance(5000);
            QCOMPARE(finished.size(), i + 1);
            load.release();
            if (i == 0)
                first = left();
            QCOMPARE(left(), first);
        }
        QCOMPARE(qt(modem.record().texts("refused")), QStringList());
        QCOMPARE(qt(modem.record().configuration), QStringList{"eth"});
    }
};

QTEST_GUILESS_MAIN(TestModemModel)
#include "tst_modemmodel.moc"
