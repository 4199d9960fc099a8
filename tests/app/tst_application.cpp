#include "app/datafolder.h"
#include "app/mainmenuscreen.h"
#include "builder/modemoptionsscreen.h"

#include "screenfixture.h"

#include <QProcess>
#include <QPushButton>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

// The program as a whole: its start and end, every screen wired, the guide.

namespace {

using Captions = QList<std::pair<QString, QString>>;

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

} // namespace

class TestApplication : public ScreenTest
{
    Q_OBJECT

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

    // A port lost after a load is told over the screen the installer is on,
    // not over the transfer window, which would take the activation.
    void loadFailureOverTheScreenInUse()
    {
        writeScript(5);
        Application &app = program();
        app.start();
        click(app.mainMenu(), "M_loadConf");
        line(app.inputFromModem(), "userPhoneNumberValue")->setText("912345678");
        click(app.inputFromModem(), "loadConf");
        f->clock.advance(300000);
        click(app.mainMenu(), "M_confADSL");
        QWidget *over = nullptr;
        f->boxes.whileOpen = [&](QWidget *parent) { over = parent; };
        f->link->unplug();
        QCOMPARE(f->boxes.last().title, "Error en el puerto serie");
        QCOMPARE(over, app.confADSL());
    }

    // An end asked for while the modem is being power-cycled (a signal
    // closes the box): no load begins, the last log stays.
    void endDuringThePowerCycleNotice()
    {
        writeScript(5);
        QVERIFY(QDir().mkpath("logs") && writeBytes("logs/912345678.log", "last load"));
        Application &app = program();
        app.start();
        click(app.mainMenu(), "M_loadConf");
        line(app.inputFromModem(), "userPhoneNumberValue")->setText("912345678");
        f->boxes.whileOpen = [&](QWidget *) { app.quit(); };
        click(app.inputFromModem(), "loadConf");
        QVERIFY(f->link->writes.isEmpty() && !f->link->isOpen());
        QCOMPARE(readBytes("logs/912345678.log"), "last load");
        QVERIFY(!QFile::exists(passwordJournalPath()));
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
        QTest::addColumn<qint64>("at"); // -1: the screen open and idle
        QTest::addColumn<QByteArray>("logged");
        QTest::addColumn<QString>("stored"); // claves.dat held "abc"

        const QByteArray start = "Actualizando password. Por favor espere.\r\n";
        for (bool byWindow : {false, true}) {
            const char *how = byWindow ? "main window closed" : "M_Exit";
            QTest::addRow("%s, idle", how) << byWindow << -1LL << QByteArray() << "abc";
            QTest::addRow("%s, password phase", how) << byWindow << 12000LL << start + "\r\n" << "abc";
            QTest::addRow("%s, script phase", how) << byWindow << 100000LL << start + "....>OK\r\n\r\n" << "nueva1";
        }
    }

    void wholeProgram()
    {
        QFETCH(bool, byWindow);
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

    // Over ssh or in a script, where no display is there.
    void helpAndVersionWithoutDisplay()
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(name);
        for (const auto &[option, text] :
             {std::pair{"--help", "--dir <carpeta>"}, std::pair{"--version", "adslconf "}}) {
            QProcess program;
            program.setProcessEnvironment(environment);
            program.start(ADSLCONF_PATH, {option});
            QVERIFY(program.waitForFinished());
            QCOMPARE(program.exitStatus(), QProcess::NormalExit);
            QCOMPARE(program.exitCode(), 0);
            QVERIFY2(program.readAllStandardOutput().contains(text), option);
        }
    }
};

QTEST_MAIN(TestApplication)
#include "tst_application.moc"
