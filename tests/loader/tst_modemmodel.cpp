#include "builder/configscript.h"
#include "loader/modemreadiness.h"
#include "loader/preferences.h"
#include "loader/transferdialogue.h"
#include "loader/transferlog.h"
#include "settings/servicesettings.h"

#include "simulatedmodem.h"
#include "workdir.h"

#include <QSignalSpy>
#include <QTest>

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

const QString answeredAll = QStringLiteral("El módem ha contestado a las 41 líneas enviadas, sin "
                                           "ninguna respuesta de error.");

// The 32-line DHCP script, in configuraciones/5551234.cfg.
QStringList writeScript(const QString &inserted = {})
{
    SubscriberConfig subscriber{"5551234", "Estandar", {"192", "168", "1", "34"},
                                {"255", "255", "255", "248"}, {"10", "0", "0", "2"},
                                {"255", "255", "255", "252"}};
    QStringList lines = buildConfigScript(subscriber, ConfigType::DHCP, defaultSettings()).lines;
    if (!inserted.isEmpty())
        lines.insert(6, inserted);
    QDir().mkpath(QStringLiteral("configuraciones"));
    writeBytes(QStringLiteral("configuraciones/5551234.cfg"), lines.join("\r\n").toLatin1() + "\r\n");
    return lines;
}

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

    // The program's fixed schedule against the model modem, each with the
    // noise its line endings carry, and what the load's verdict makes of
    // it. Answering everything, the modem ends up configured as the script
    // says, with the new password.
    void wholeLoadInVirtualTime_data()
    {
        QTest::addColumn<QString>("eol"); // "-": no modem at all
        QTest::addColumn<QString>("stored");  // the modem's password
        QTest::addColumn<qint64>("bootMs"); // 0: the modem's own, 25 s
        QTest::addColumn<QString>("inserted"); // after "sys"; "logout" is refused there
        QTest::addColumn<QString>("ownError"); // the modem's error line, its last word in adslconf.ini
        QTest::addColumn<QString>("verdict");

        QTest::newRow("answers everything") << "\r\n" << "trumelox" << 0LL << "" << "" << answeredAll;
        QTest::newRow("silent") << "-" << "trumelox" << 0LL << "" << "" << LoadVerdict::silentText();
        QTest::newRow("boot beyond the restart wait") << "\n\r" << "trumelox" << 45000LL << "" << ""
            << "El módem no ha devuelto 1 de las 41 líneas enviadas: línea 3 «admin». El "
               "módem ha respondido con error a: línea 6 «sys», línea 8 «eth», línea 10 «no ip address», "
               "línea 12 «top», línea 14 «no pvc» y 9 más.";
        QTest::newRow("wrong password in its state") << "\n" << "otra" << 0LL << "" << ""
            << "El módem ha respondido con error a: acceso 4 (clave), acceso 6, acceso 8, línea 1 «restore "
               "config default», línea 3 «admin» y 14 más.";
        QTest::newRow("refuses a command") << "\r" << "trumelox" << 0LL << "logout" << ""
            << "El módem ha respondido con error a: línea 7 «logout».";
        QTest::newRow("its own error text, in the preferences")
            << "\r\n" << "trumelox" << 0LL << "logout" << "Orden rechazada"
            << "El módem ha respondido con error a: línea 7 «logout».";
    }

    void wholeLoadInVirtualTime()
    {
        QFETCH(QString, eol);
        QFETCH(QString, stored);
        QFETCH(qint64, bootMs);
        QFETCH(QString, inserted);
        QFETCH(QString, ownError);
        QFETCH(QString, verdict);

        WorkDir work;
        VirtualTimerSource clock;
        FakeSerialLink link{&clock};
        TransferLog log;
        TransferDialogue dialogue{link, clock, log};
        ModemSettings settings;
        settings.eol = eol.toStdString();
        settings.noisePercent = 40;
        if (bootMs)
            settings.bootMs = bootMs;
        if (!ownError.isEmpty()) {
            settings.texts.error = ownError.toStdString();
            QVERIFY(writeBytes(Preferences::fileName,
                               "[verdict]\nerrorWords=" + ownError.section(u' ', -1).toUtf8() + "\n"));
        }
        std::optional<SimulatedModem> modem;
        if (eol != u"-")
            modem.emplace(link, clock, settings, ModemFlash{stored.toStdString(), {}});
        const QStringList script = writeScript(inserted);
        QSignalSpy finished{&dialogue, &TransferDialogue::finished};
        QVERIFY(!dialogue.prepare({"5551234", 1, "trumelox", "nuevaClave"}));
        dialogue.begin();
        clock.advance(220000);
        QCOMPARE(finished.size(), 1);
        QCOMPARE(dialogue.verdict(), verdict);
        if (verdict != answeredAll)
            return;

        const ModemRecord record = modem->record();
        QCOMPARE(qt(record.texts("lost")), QStringList());
        QCOMPARE(qt(record.texts("refused")), QStringList());
        QCOMPARE(qt(record.texts("login")), QStringList({"ok", "ok"}));
        QCOMPARE(QString::fromStdString(record.password.value_or("")), "nuevaClave");
        QCOMPARE(qt(record.configuration), qt(configurationOf(stdLines(script))));
        QCOMPARE(record.configuration.size(), size_t(21));
    }

    // The readiness rules, step by step: "s" sends a line, "r" receives,
    // "+" lets time pass, "w" ends a line at its fixed wait, and "?" notes
    // whether the line counts as answered then. "@" is a NUL.
    void readiness_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("answered");

        const QStringList loggedIn{"s", "r\r\nlogin: ", "+600", "?", "sadmin", "radmin\r\npassword: ", "+600", "?",
                                   "spw", "r\r\nM> ", "+600", "?"};
        QTest::newRow("learned, then known after a short quiet, as a terminal shows it")
            << loggedIn + QStringList{"sconf", "rconf\r\nM@x\b>", "+140", "?", "+10", "?"} << "11101";
        QTest::newRow("a refused login is no command prompt")
            << QStringList{"s", "r\r\nlogin: ", "+600", "?", "sadmin", "r\r\npassword: ", "+600", "?", "sx",
                           "r\r\nLogin incorrect\r\nlogin: ", "+5000", "?"} << "110";
        QTest::newRow("a boot that goes quiet is not ready, its login prompt is")
            << loggedIn + QStringList{"srestart", "rBooting\r\nLoading", "+9000", "?", "r\r\nlogin:", "+150", "?"}
            << "11101";
        QTest::newRow("after a restart no login prompt is learned")
            << QStringList{"sadmin", "r\npassword: ", "+600", "?", "spw", "r\nM> ", "+600", "?", "srestart",
                           "r\nlogin: ", "+5000", "?"} << "110";
        QTest::newRow("nothing is learned before a line break")
            << QStringList{"s", "rLoading", "+5000", "?", "r\r\nlogin: ", "+600", "?"} << "01";
        QStringList prompts = loggedIn;
        for (int i = 0; i <= ModemReadiness::maxCommandPrompts; ++i)
            prompts << "sx" << QStringLiteral("r\r\nN%1>").arg(i) << "+600" << "w";
        QTest::newRow("prompts met at the fixed wait are kept, the oldest forgotten")
            << prompts + QStringList{"sx", "r\r\nN0>", "+600", "?", "sx", "r\r\nN1>", "+150", "?"} << "11101";
    }

    void readiness()
    {
        QFETCH(QStringList, steps);
        QFETCH(QString, answered);

        ModemReadiness readiness;
        qint64 now = 0;
        QString noted;
        for (const QString &step : steps) {
            const QByteArray rest = step.mid(1).toLatin1().replace('@', '\0');
            switch (step[0].toLatin1()) {
            case 's': readiness.sent(rest, now); break;
            case 'r': readiness.received(rest, now); break;
            case '+': now += rest.toLongLong(); break;
            case 'w': readiness.waitedOut(now); break;
            default: noted += readiness.answered(now) ? u'1' : u'0';
            }
        }
        QCOMPARE(noted, answered);
    }

    // A fast load of the 32-line script against modems of every kind. The
    // pattern has one mark per line sent, password phase first: "." went
    // before its fixed wait ran out, "f" exactly at it. Whatever the modem,
    // the same lines go in the same order, none while it boots or works,
    // none later than the fixed schedule, and it ends configured.
    void fastLoad_data()
    {
        QTest::addColumn<ModemSettings>("settings");
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<double>("share"); // of the fixed load's 208 s, at most

        const QString fast = QString(9 + 31, u'.') + u'f'; // the last restart outlasts its wait
        const QString commandsFixed = "....fffff" "f..f" + QString(28, u'f');
        ModemSettings plain;
        plain.noisePercent = 0;
        QTest::newRow("plain") << plain << QByteArray() << fast << 0.25;
        ModemSettings s = plain;
        s.eol = "\n";
        s.echo = false;
        s.noisePercent = 40;
        QTest::newRow("lf, no echo, noise") << s << QByteArray() << fast << 0.25;
        s = plain;
        s.eol = "\r";
        s.answerMin = 2000, s.answerMax = 3000;
        s.bootMs = 5000;
        QTest::newRow("cr, answers up to 3 s, short boot") << s << QByteArray() << fast << 0.65;
        s = plain;
        s.eol = "\n\r";
        s.bootMs = 38000;
        s.bootPause = true;
        QTest::newRow("lfcr, long boot quiet half way") << s << QByteArray() << fast << 0.30;
        s = plain;
        s.texts = {"", "Usuario:  ", "Clave: ", "Denegado", "router# ", "Error", ""};
        QTest::newRow("own texts") << s << QByteArray() << fast << 0.25;
        QTest::newRow("own texts, pinned")
            << s << QByteArray("[transfer]\nloginPrompt=\"Usuario: \"\ncommandPrompt=\"router#\"\n")
            << fast << 0.25;
        s = plain;
        s.texts.configPrompt = "M1112(conf)>";
        QTest::newRow("own prompt after conf, learned at its fixed wait")
            << s << QByteArray() << QString(fast).replace(4, 1, u'f') << 0.25;
        QTest::newRow("a pinned prompt it never shows")
            << plain << QByteArray("[transfer]\ncommandPrompt=M1112#\n")
            << "...f" + commandsFixed.mid(4) << 0.0;
        s = plain;
        s.countingPrompt = true;
        QTest::newRow("counting prompt fools the learning") << s << QByteArray() << commandsFixed << 0.0;
    }

    void fastLoad()
    {
        QFETCH(ModemSettings, settings);
        QFETCH(QByteArray, ini);
        QFETCH(QString, pattern);
        QFETCH(double, share);

        WorkDir work;
        QVERIFY(ini.isEmpty() || writeBytes(Preferences::fileName, ini));
        VirtualTimerSource clock;
        FakeSerialLink link{&clock};
        TransferLog log;
        TransferDialogue dialogue{link, clock, log};
        SimulatedModem modem(link, clock, settings);
        const QStringList script = writeScript();
        qint64 end = -1;
        connect(&dialogue, &TransferDialogue::finished, [&] { end = clock.now(); });
        QList<qint64> totals;
        connect(&dialogue, &TransferDialogue::progressChanged, [&](const TransferProgress &p) {
            if (p.phase != TransferPhase::Idle)
                totals.append(p.totalMs);
        });
        QVERIFY(!dialogue.prepare({"5551234", 1, "trumelox", "nuevaClave", true}));
        dialogue.begin();
        clock.advance(220000);
        QVERIFY(end > 0);

        QStringList expected{"", "", "admin", "trumelox", "conf", "password", "admin nuevaClave", "top", "quit"};
        expected += script;
        expected[9 + 3] = "nuevaClave";
        QStringList sent, marks;
        qint64 due = 0;
        for (qsizetype i = 0; i < link.writes.size(); ++i) {
            const auto &[at, bytes] = link.writes[i];
            sent.append(QString::fromLatin1(bytes.chopped(1)));
            QVERIFY2(at <= due, qPrintable(QStringLiteral("line %1 late").arg(i)));
            const qint64 wait = i == 8 ? 12000 : i == 10 ? 40000 : 4000;
            const qint64 gap = (i + 1 < link.writes.size() ? link.writes[i + 1].first : end) - at;
            marks.append(gap == wait ? "f" : gap < wait ? "." : "late");
            due = at + wait;
        }
        QCOMPARE(sent, expected);
        QCOMPARE(marks.join(QString()), pattern);
        if (share > 0)
            QVERIFY2(end <= share * 208000, qPrintable(QString::number(end)));
        // The time the progress bar shows only falls, from the fixed load's to the end.
        QCOMPARE(totals.first(), 208000);
        QCOMPARE(totals.last(), end);
        QVERIFY(std::is_sorted(totals.rbegin(), totals.rend()));

        const ModemRecord record = modem.record();
        QCOMPARE(qt(record.texts("lost")), QStringList());
        QCOMPARE(qt(record.texts("buffered")), QStringList());
        QCOMPARE(QString::fromStdString(record.password.value_or("")), "nuevaClave");
        QCOMPARE(qt(record.configuration), qt(configurationOf(stdLines(script))));
        // The password phase stays out of the log, as in a fixed load.
        QVERIFY(readBytes("logs/5551234.log").startsWith("Actualizando password. Por favor espere.\r\n....>"));
    }
};


QTEST_GUILESS_MAIN(TestModemModel)
#include "tst_modemmodel.moc"
