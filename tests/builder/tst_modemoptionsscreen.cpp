#include "builder/modemnokiaconfscreen.h"
#include "builder/modemoptionsscreen.h"
#include "shell/application.h"
#include "shell/mainmenuscreen.h"

#include "appfixture.h"

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

class TestModemOptionsScreen : public QObject
{
    Q_OBJECT

    std::unique_ptr<AppFixture> f;
    ModemOptionsScreen *screen = nullptr;

    void pick(int option)
    {
        QTest::mouseClick(screen->DHCP_NAPT[option], Qt::LeftButton, {}, QPoint(6, screen->DHCP_NAPT[option]->height() / 2));
        QVERIFY(screen->DHCP_NAPT[option]->isChecked());
    }

private slots:
    void init()
    {
        f = std::make_unique<AppFixture>();
        f->app.start();
        QTest::mouseClick(f->app.mainMenu()->M_intrConf, Qt::LeftButton);
        screen = f->app.modemOptions();
        QVERIFY(QTest::qWaitForWindowActive(screen));
    }
    void cleanup() { f.reset(); }

    void captionsAndTabOrder()
    {
        QCOMPARE(screen->windowTitle(), QString("Selección de módem ADSL"));
        QCOMPARE(screen->findChild<QGroupBox *>("modemTitle")->title(), QString("Módem ADSL:"));
        QCOMPARE(screen->findChild<QGroupBox *>("typeConfTitle")->title(), QString("Tipo de configuración:"));
        QCOMPARE(screen->modemSelected->count(), 1);
        QCOMPARE(screen->modemSelected->currentText(), QString("Nokia M1112"));
        QCOMPARE(screen->DHCP_NAPT[0]->text(), QString("Modo M&onopuesto, con DHCP y sin NAPT"));
        QCOMPARE(screen->DHCP_NAPT[1]->text(), QString("Modo M&ultipuesto, sin DHCP y con NAPT"));
        QCOMPARE(screen->configure->text(), QString("Ac&eptar"));
        QCOMPARE(screen->back2main->text(), QString("&Volver"));

        // The option pair is one tab stop; the arrow keys move within it.
        screen->configure->setFocus();
        for (QWidget *next : {(QWidget *)screen->back2main, (QWidget *)screen->modemSelected,
                              (QWidget *)screen->DHCP_NAPT[0]}) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), next);
        }
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
        QCOMPARE(QApplication::focusWidget(), screen->DHCP_NAPT[1]);
        QVERIFY(screen->DHCP_NAPT[1]->isChecked());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), screen->configure);
    }

    // Every activation starts at DHCP, whatever was picked before.
    void activationSelectsDhcp()
    {
        QVERIFY(screen->DHCP_NAPT[0]->isChecked());
        pick(1);
        QVERIFY(!screen->DHCP_NAPT[0]->isChecked());
        QCOMPARE(screen->selectedType(), ConfigType::NAPT);

        // Back from another window of the program, for instance the transfer screen.
        f->app.mainMenu()->show();
        f->app.mainMenu()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f->app.mainMenu()));
        screen->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(screen));
        QVERIFY(!screen->DHCP_NAPT[1]->isChecked());
        QCOMPARE(screen->selectedType(), ConfigType::DHCP);

        // Hidden but alive while the subscriber screen reads the choice here.
        pick(1);
        QTest::mouseClick(screen->configure, Qt::LeftButton);
        QVERIFY(!screen->isVisible());
        QVERIFY(QTest::qWaitForWindowActive(f->app.modemNokiaConf()));
        QCOMPARE(screen->selectedType(), ConfigType::NAPT);

        f->app.modemNokiaConf()->close();
        QVERIFY(QTest::qWaitForWindowActive(screen));
        QCOMPARE(screen->selectedType(), ConfigType::DHCP);
        QVERIFY(f->boxes.shown.isEmpty());
    }
};

QTEST_MAIN(TestModemOptionsScreen)
#include "tst_modemoptionsscreen.moc"
