#include "builder/configscript.h"
#include "loader/preferences.h"
#include "loader/transferdialogue.h"
#include "loader/transferlog.h"
#include "settings/servicesettings.h"

#include "simulatedmodem.h"
#include "workdir.h"

#include <QSignalSpy>
#include <QTest>

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
        SubscriberConfig subscriber{"5551234", "Estandar", {"192", "168", "1", "34"},
                                    {"255", "255", "255", "248"}, {"10", "0", "0", "2"},
                                    {"255", "255", "255", "252"}};
        ConfigScript script = buildConfigScript(subscriber, ConfigType::DHCP, defaultSettings());
        if (!inserted.isEmpty())
            script.lines.insert(6, inserted);
        QDir().mkpath(QStringLiteral("configuraciones"));
        QVERIFY(writeBytes(QStringLiteral("configuraciones/5551234.cfg"),
                           script.lines.join(QStringLiteral("\r\n")).toLatin1() + "\r\n"));
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
        std::vector<std::string> lines;
        for (const QString &line : script.lines)
            lines.push_back(line.toStdString());
        QCOMPARE(qt(record.configuration), qt(configurationOf(lines)));
        QCOMPARE(record.configuration.size(), size_t(21));
    }
};

QTEST_GUILESS_MAIN(TestModemModel)
#include "tst_modemmodel.moc"
