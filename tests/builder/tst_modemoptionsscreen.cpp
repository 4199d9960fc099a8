#include "builder/modemnokiaconfscreen.h"
#include "builder/modemoptionsscreen.h"
#include "shell/application.h"
#include "shell/mainmenuscreen.h"

#include "recordingmessageboxes.h"
#include "workdir.h"

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

class TestModemOptionsScreen : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void controls();
    void activationSelectsDhcp();
    void configureKeepsSelection();
    void backToMainMenu_data();
    void backToMainMenu();

private:
    ModemOptionsScreen *open()
    {
        QTest::mouseClick(m_app->mainMenu()->M_intrConf, Qt::LeftButton);
        ModemOptionsScreen *screen = m_app->modemOptions();
        return QTest::qWaitForWindowActive(screen) ? screen : nullptr;
    }

    std::unique_ptr<WorkDir> m_dir;
    std::unique_ptr<RecordingMessageBoxes> m_boxes;
    std::unique_ptr<Application> m_app;
};

void TestModemOptionsScreen::init()
{
    m_dir = std::make_unique<WorkDir>();
    m_boxes = std::make_unique<RecordingMessageBoxes>();
    m_app = std::make_unique<Application>();
    m_app->start();
    QVERIFY(QTest::qWaitForWindowActive(m_app->mainMenu()));
}

void TestModemOptionsScreen::cleanup()
{
    m_app.reset();
    m_boxes.reset();
    m_dir.reset();
}

void TestModemOptionsScreen::controls()
{
    ModemOptionsScreen *screen = open();
    QVERIFY(screen);
    QCOMPARE(screen->windowTitle(), QString("Selección de módem ADSL"));
    QCOMPARE(screen->findChild<QGroupBox *>("modemTitle")->title(), QString("Módem ADSL:"));
    QCOMPARE(screen->findChild<QGroupBox *>("typeConfTitle")->title(),
             QString("Tipo de configuración:"));
    QCOMPARE(screen->modemSelected->count(), 1);
    QCOMPARE(screen->modemSelected->currentText(), QString("Nokia M1112"));
    QCOMPARE(screen->DHCP_NAPT[0]->text(), QString("Modo M&onopuesto, con DHCP y sin NAPT"));
    QCOMPARE(screen->DHCP_NAPT[1]->text(), QString("Modo M&ultipuesto, sin DHCP y con NAPT"));
    QVERIFY(screen->DHCP_NAPT[0]->y() < screen->DHCP_NAPT[1]->y());
    QCOMPARE(screen->configure->text(), QString("Ac&eptar"));
    QCOMPARE(screen->back2main->text(), QString("&Volver"));
    QVERIFY(screen->configure->y() < screen->back2main->y());
    QVERIFY(screen->configure->x() > screen->modemSelected->x());

    const QList<QWidget *> order{screen->configure, screen->back2main, screen->modemSelected,
                                 screen->DHCP_NAPT[0], screen->DHCP_NAPT[1]};
    screen->configure->setFocus();
    for (int i = 1; i < 4; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), order[i]);
    }
    // The option pair is one tab stop; the arrow keys move within it.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    QCOMPARE(QApplication::focusWidget(), order[4]);
    QVERIFY(screen->DHCP_NAPT[1]->isChecked());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), order[0]);
}

void TestModemOptionsScreen::activationSelectsDhcp()
{
    ModemOptionsScreen *screen = open();
    QVERIFY(screen);
    QVERIFY(screen->DHCP_NAPT[0]->isChecked());
    QTest::mouseClick(screen->DHCP_NAPT[1], Qt::LeftButton, {}, QPoint(6, screen->DHCP_NAPT[1]->height() / 2));
    QVERIFY(!screen->DHCP_NAPT[0]->isChecked());
    QCOMPARE(screen->selectedType(), ConfigType::NAPT);

    // Back from another window of the program, for instance the transfer screen.
    m_app->mainMenu()->show();
    m_app->mainMenu()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_app->mainMenu()));
    screen->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(screen));
    QVERIFY(screen->DHCP_NAPT[0]->isChecked());
    QVERIFY(!screen->DHCP_NAPT[1]->isChecked());
    QCOMPARE(screen->selectedType(), ConfigType::DHCP);
}

void TestModemOptionsScreen::configureKeepsSelection()
{
    ModemOptionsScreen *screen = open();
    QVERIFY(screen);
    QTest::mouseClick(screen->DHCP_NAPT[1], Qt::LeftButton, {}, QPoint(6, screen->DHCP_NAPT[1]->height() / 2));
    QTest::mouseClick(screen->configure, Qt::LeftButton);
    QVERIFY(!screen->isVisible());
    QVERIFY(m_app->modemNokiaConf()->isVisible());
    QVERIFY(QTest::qWaitForWindowActive(m_app->modemNokiaConf()));
    // Hidden but alive: the subscriber screen reads the choice here.
    QCOMPARE(screen->selectedType(), ConfigType::NAPT);

    // The subscriber screen's way back: the type starts at DHCP again.
    m_app->modemNokiaConf()->hide();
    screen->showScreen();
    QVERIFY(QTest::qWaitForWindowActive(screen));
    QCOMPARE(screen->selectedType(), ConfigType::DHCP);
}

void TestModemOptionsScreen::backToMainMenu_data()
{
    QTest::addColumn<bool>("byClose");
    QTest::newRow("back2main") << false;
    QTest::newRow("window closed") << true;
}

void TestModemOptionsScreen::backToMainMenu()
{
    QFETCH(bool, byClose);
    ModemOptionsScreen *screen = open();
    QVERIFY(screen);
    if (byClose)
        screen->close();
    else
        QTest::mouseClick(screen->back2main, Qt::LeftButton);
    QVERIFY(!screen->isVisible());
    QVERIFY(m_app->mainMenu()->isVisible());
    QVERIFY(!m_app->modemNokiaConf()->isVisible());
    QVERIFY(m_boxes->shown.isEmpty());
}

QTEST_MAIN(TestModemOptionsScreen)
#include "tst_modemoptionsscreen.moc"
