#include "builder/modemnokiaconfscreen.h"
#include "builder/modemoptionsscreen.h"
#include "loader/inputfrommodemscreen.h"
#include "password/changepassscreen.h"
#include "password/passwordstore.h"
#include "settings/confadslscreen.h"
#include "shell/application.h"
#include "shell/mainmenuscreen.h"

#include "appfixture.h"

#include <QApplication>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

class TestShell : public QObject
{
    Q_OBJECT

private slots:
    void startsWithDefaultsAndEndsLeavingTheFolderEmpty();

    void mainMenuCaptionsAndTabOrder();
    void menuOpensOneScreenAtATime_data();
    void menuOpensOneScreenAtATime();
    void subscriberScreenReturnsToTypeSelection();
    void transferDisablesAllButExit();

private:
    static QList<QWidget *> exclusiveScreens(Application &app)
    {
        return {app.mainMenu(), app.confADSL(), app.changePass(), app.modemOptions(),
                app.modemNokiaConf()};
    }
    static int visibleCount(Application &app)
    {
        int n = 0;
        for (QWidget *w : exclusiveScreens(app))
            n += w->isVisible() ? 1 : 0;
        return n;
    }
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
        QCOMPARE(app.settings(), defaultSettings());
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
    QCOMPARE(menu->windowTitle(), QStringLiteral("Configuración Módem NOKIA M1112"));
    QCOMPARE(menu->findChild<QGroupBox *>(QStringLiteral("options"))->title(),
             QStringLiteral("Seleccione una opción:"));

    const QList<QPushButton *> order = {menu->M_changePass, menu->M_confADSL, menu->M_intrConf,
                                        menu->M_loadConf, menu->M_Exit};
    const QStringList captions = {QStringLiteral("Modificar &clave de acceso"),
                                  QStringLiteral("Configuración del Servicio &ADSL"),
                                  QStringLiteral("&Introducir datos configuración"),
                                  QStringLiteral("&Cargar Configuración en el Módem"),
                                  QStringLiteral("&Salir de la aplicación")};
    for (int i = 0; i < order.size(); ++i)
        QCOMPARE(order[i]->text(), captions[i]);

    menu->showScreen();
    QVERIFY(QTest::qWaitForWindowActive(menu));
    order.first()->setFocus();
    for (int i = 1; i < order.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), order[i]);
    }
    for (QPushButton *b : order)
        QCOMPARE(b->size(), order.first()->size());
}

void TestShell::menuOpensOneScreenAtATime_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("screen");
    QTest::addColumn<QString>("back");
    QTest::newRow("settings") << "M_confADSL" << "confADSL" << "back2main";
    QTest::newRow("password") << "M_changePass" << "changePass" << "back2main";
    QTest::newRow("type") << "M_intrConf" << "modemOptions" << "back2main";
}

void TestShell::menuOpensOneScreenAtATime()
{
    QFETCH(QString, button);
    QFETCH(QString, screen);
    QFETCH(QString, back);
    AppFixture f;
    Application &app = f.app;
    app.start();
    QVERIFY(QTest::qWaitForWindowActive(app.mainMenu()));

    QWidget *target = nullptr;
    for (QWidget *w : exclusiveScreens(app))
        if (w->objectName() == screen)
            target = w;
    QVERIFY(target);

    // Once by the back button, once by closing the window: both return.
    for (int round = 0; round < 2; ++round) {
        QTest::mouseClick(app.mainMenu()->findChild<QPushButton *>(button), Qt::LeftButton);
        QVERIFY(target->isVisible());
        QVERIFY(!app.mainMenu()->isVisible());
        QCOMPARE(visibleCount(app), 1);
        QVERIFY(QTest::qWaitForWindowActive(target));

        if (round == 0)
            QTest::mouseClick(target->findChild<QPushButton *>(back), Qt::LeftButton);
        else
            target->close();
        QVERIFY(!target->isVisible());
        QVERIFY(app.mainMenu()->isVisible());
        QCOMPARE(visibleCount(app), 1);
        QVERIFY(QTest::qWaitForWindowActive(app.mainMenu()));
    }
    QVERIFY(f.boxes.shown.isEmpty());
}

void TestShell::subscriberScreenReturnsToTypeSelection()
{
    AppFixture f;
    Application &app = f.app;
    app.start();
    QTest::mouseClick(app.mainMenu()->M_intrConf, Qt::LeftButton);
    QTest::mouseClick(app.modemOptions()->configure, Qt::LeftButton);
    QVERIFY(app.modemNokiaConf()->isVisible());
    QCOMPARE(visibleCount(app), 1);
    QVERIFY(QTest::qWaitForWindowActive(app.modemNokiaConf()));

    app.modemNokiaConf()->close();
    QVERIFY(app.modemOptions()->isVisible());
    QCOMPARE(visibleCount(app), 1);
}

void TestShell::transferDisablesAllButExit()
{
    WorkDir dir;
    Application app;
    MainMenuScreen *menu = app.mainMenu();
    menu->setTransferRunning(true);
    for (QPushButton *b : {menu->M_changePass, menu->M_confADSL, menu->M_intrConf, menu->M_loadConf})
        QVERIFY(!b->isEnabled());
    QVERIFY(menu->M_Exit->isEnabled());
    menu->setTransferRunning(false);
    for (QPushButton *b : {menu->M_changePass, menu->M_confADSL, menu->M_intrConf, menu->M_loadConf})
        QVERIFY(b->isEnabled());
}

QTEST_MAIN(TestShell)
#include "tst_shell.moc"
