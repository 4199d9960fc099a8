#include "builder/modemnokiaconfscreen.h"
#include "fields/fieldrules.h"
#include "loader/inputfrommodemscreen.h"
#include "loader/logview.h"
#include "password/changepassscreen.h"
#include "shell/application.h"
#include "shell/mainmenuscreen.h"

#include "fakeseriallink.h"
#include "recordingmessageboxes.h"
#include "virtualtimersource.h"
#include "workdir.h"

#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QtTest>

namespace {

const QString phone = QStringLiteral("912345678");

void writeScript(int lines)
{
    QDir().mkpath(QStringLiteral("configuraciones"));
    QByteArray bytes;
    for (int i = 0; i < lines; ++i)
        bytes += "line " + QByteArray::number(i) + "\r\n";
    QVERIFY(writeBytes(QStringLiteral("configuraciones/912345678.cfg"), bytes));
}

// The enabled states of userPhoneNumberValue, loadConf, close, stopCommads
// and inputValue, in that order, as "10110".
QString states(InputFromModemScreen *s)
{
    QString out;
    for (QWidget *w : {static_cast<QWidget *>(s->userPhoneNumberValue),
                       static_cast<QWidget *>(s->loadConf), static_cast<QWidget *>(s->close),
                       static_cast<QWidget *>(s->stopCommads),
                       static_cast<QWidget *>(s->inputValue)})
        out += w->isEnabled() ? u'1' : u'0';
    return out;
}

// Which of M_changePass, M_confADSL, M_intrConf, M_loadConf, M_Exit are enabled.
QString menuStates(Application &app)
{
    MainMenuScreen *m = app.mainMenu();
    QString out;
    for (QPushButton *b : {m->M_changePass, m->M_confADSL, m->M_intrConf, m->M_loadConf, m->M_Exit})
        out += b->isEnabled() ? u'1' : u'0';
    return out;
}

} // namespace

// An application whose transfer screen talks to a fake link in virtual time.
struct ScreenRig
{
    WorkDir dir;
    RecordingMessageBoxes boxes;
    VirtualTimerSource clock;
    FakeSerialLink *link = nullptr;
    Application app;

    ScreenRig()
    {
        app.setTimerSource(&clock);
        app.makeSerialLink = [this] {
            auto made = std::make_unique<FakeSerialLink>(&clock);
            link = made.get();
            return made;
        };
    }

    // The subscriber screen has just saved this number.
    void saveSubscriber(const QString &number)
    {
        ModemNokiaConfScreen *conf = app.modemNokiaConf();
        if (!conf->userPhoneNumValue)
            conf->userPhoneNumValue = new QLineEdit(conf);
        conf->userPhoneNumValue->setText(number);
        conf->saved = true;
    }

    InputFromModemScreen *open()
    {
        app.start();
        QTest::mouseClick(app.mainMenu()->M_loadConf, Qt::LeftButton);
        InputFromModemScreen *screen = app.inputFromModem();
        if (!QTest::qWaitForWindowActive(screen))
            qWarning("transfer screen not active");
        return screen;
    }
};

class TestInputFromModem : public QObject
{
    Q_OBJECT

private slots:
    void layoutAndFirstStates()
    {
        ScreenRig rig;
        InputFromModemScreen *s = rig.app.inputFromModem();
        QCOMPARE(s->windowTitle(), QStringLiteral("Command log"));
        QCOMPARE(s->userPhoneNumTitle->text(), QStringLiteral("Número de teléfono:"));
        QCOMPARE(s->loadConf->text(), QStringLiteral("&Cargar configuración"));
        QCOMPARE(s->close->text(), QStringLiteral("C&errar"));
        QCOMPARE(s->stopCommads->text(), QStringLiteral("&Parar"));
        for (const char *name : {"userPhoneNumTitle", "userPhoneNumberValue", "inputValue",
                                 "loadConf", "close", "stopCommads"})
            QVERIFY2(s->findChild<QWidget *>(QString::fromLatin1(name)), name);
        QVERIFY(s->userPhoneNumberValue->font().bold());
        QCOMPARE(s->userPhoneNumberValue->font().pointSize(), 12);
        QVERIFY(s->inputValue->isReadOnly());
        QCOMPARE(states(s), QStringLiteral("11010"));

        QWidget *w = s->userPhoneNumberValue;
        QStringList order;
        for (int i = 0; i < 5; ++i) {
            order << w->objectName();
            w = w->nextInFocusChain();
            while (w->focusPolicy() == Qt::NoFocus || !w->isWidgetType()
                   || w->objectName().isEmpty())
                w = w->nextInFocusChain();
        }
        QCOMPARE(order, (QStringList{"userPhoneNumberValue", "inputValue", "close",
                                     "stopCommads", "loadConf"}));
    }

    void openedFromTheMainMenu_data()
    {
        QTest::addColumn<bool>("saved");
        QTest::addColumn<QString>("maxSize");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("maxLength");
        QTest::addColumn<bool>("loadConf");

        QTest::newRow("nothing saved") << false << "9" << "" << 9 << false;
        QTest::newRow("saved subscriber") << true << "9" << phone << 9 << true;
        QTest::newRow("limit 0 means none") << false << "0" << "" << 32767 << false;
        QTest::newRow("hand-edited limit") << false << "nueve" << "" << 32767 << false;
        QTest::newRow("saved number longer than the limit stays whole")
            << true << "5" << phone << 9 << true;
    }

    void openedFromTheMainMenu()
    {
        QFETCH(bool, saved);
        QFETCH(QString, maxSize);
        QFETCH(QString, text);
        QFETCH(int, maxLength);
        QFETCH(bool, loadConf);

        ScreenRig rig;
        if (saved)
            rig.saveSubscriber(phone);
        rig.app.settings().maxSize = maxSize;
        InputFromModemScreen *s = rig.open();
        QVERIFY(s->isVisible());
        QVERIFY(rig.app.mainMenu()->isVisible());
        QCOMPARE(s->userPhoneNumberValue->text(), text);
        QCOMPARE(s->userPhoneNumberValue->maxLength(), maxLength);
        QCOMPARE(s->loadConf->isEnabled(), loadConf);
        QCOMPARE(s->close->isEnabled(), true);
        QCOMPARE(s->stopCommads->isEnabled(), false);
    }

    void typingEnablesLoad()
    {
        ScreenRig rig;
        InputFromModemScreen *s = rig.open();
        QVERIFY(!s->loadConf->isEnabled());
        s->userPhoneNumberValue->setFocus();
        QTest::keyClicks(s->userPhoneNumberValue, QStringLiteral("9"));
        QVERIFY(s->loadConf->isEnabled());
        QTest::keyClick(s->userPhoneNumberValue, Qt::Key_Backspace);
        QVERIFY(!s->loadConf->isEnabled());
    }

    void transferThroughTheScreen()
    {
        ScreenRig rig;
        writeScript(6);
        rig.saveSubscriber(phone);
        rig.app.settings().comPort = 4;
        InputFromModemScreen *s = rig.open();

        QTest::mouseClick(s->loadConf, Qt::LeftButton);
        QCOMPARE(rig.boxes.shown.size(), 1);
        QCOMPARE(rig.boxes.last().text,
                 QStringLiteral("Apague y encienda el módem y asegúrese de que el módem no es "
                                "está\r\nen la secuencia de arranque."));
        QCOMPARE(rig.boxes.last().title, QStringLiteral("Configuración Módem NOKIA M1112"));
        QCOMPARE(rig.boxes.last().icon, MessageIcon::None);
        QCOMPARE(rig.link->lastPort, 4);

        QCOMPARE(states(s), QStringLiteral("00001"));
        QCOMPARE(menuStates(rig.app), QStringLiteral("00001"));
        QCOMPARE(s->inputValue->toPlainText(),
                 QStringLiteral("Actualizando password. Por favor espere.\n"));

        // Lines 0 to 3 of the script: still no stop.
        rig.clock.advanceTo(44000 + 100);
        QCOMPARE(states(s), QStringLiteral("00001"));
        rig.link->receive("restore\r\n\r\nOK\n\r");
        rig.clock.advance(20);
        s->inputValue->flush();
        QCOMPARE(s->inputValue->toPlainText(),
                 QStringLiteral("Actualizando password. Por favor espere.\n....>restore\n\nOK\n"));
        QVERIFY(s->progress->text().contains(QStringLiteral("Enviando la configuración")));
        QTest::mouseClick(s->stopCommads, Qt::LeftButton); // disabled: nothing
        QVERIFY(!s->stopSendingCommands());

        rig.clock.advanceTo(96000 + 100); // line 4
        QCOMPARE(states(s), QStringLiteral("00011"));
        QTest::mouseClick(s->stopCommads, Qt::LeftButton);
        QVERIFY(s->stopSendingCommands());
        QCOMPARE(states(s), QStringLiteral("00001"));

        rig.clock.advance(16000);
        QCOMPARE(states(s), QStringLiteral("11101"));
        QCOMPARE(menuStates(rig.app), QStringLiteral("11111"));
        QCOMPARE(rig.link->writes.last().second, QByteArray("\r"));
        QVERIFY(!rig.link->isOpen());
        QVERIFY(readBytes(rig.dir.file("logs/912345678.log"))
                    .endsWith("---- Transference terminated by user ----\r\n"));
        QCOMPARE(rig.boxes.shown.size(), 1);
    }

    void activationDuringTheStopDoesNotResume()
    {
        ScreenRig rig;
        writeScript(20);
        rig.saveSubscriber(phone);
        InputFromModemScreen *s = rig.open();
        QTest::mouseClick(s->loadConf, Qt::LeftButton);
        rig.clock.advanceTo(96000 + 100);
        QTest::mouseClick(s->stopCommads, Qt::LeftButton);
        rig.clock.advance(2000);

        // The user goes to the main menu and back to the transfer window.
        rig.app.mainMenu()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(rig.app.mainMenu()));
        s->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(s));
        QVERIFY(s->stopSendingCommands());

        rig.clock.advance(300000);
        QCOMPARE(rig.link->writes.size(), 9 + 5 + 4);
        QVERIFY(!rig.link->isOpen());
    }

    void missingScript()
    {
        ScreenRig rig;
        rig.saveSubscriber(QStringLiteral("600000000"));
        InputFromModemScreen *s = rig.open();
        QTest::mouseClick(s->loadConf, Qt::LeftButton);
        QCOMPARE(rig.boxes.shown.size(), 1);
        QCOMPARE(rig.boxes.last().title,
                 QStringLiteral("Error en el nombre del fichero de configuración"));
        QCOMPARE(rig.boxes.last().text, QStringLiteral("El fichero de conrfiguración no existe."));
        QCOMPARE(rig.boxes.last().icon, MessageIcon::Warning);
        QCOMPARE(s->userPhoneNumberValue->text(), QString());
        QCOMPARE(states(s), QStringLiteral("10100"));
        QCOMPARE(menuStates(rig.app), QStringLiteral("11111"));
        QVERIFY(rig.link->writes.isEmpty());
    }

    void closeButtonAfterANormalTransfer()
    {
        ScreenRig rig;
        writeScript(4);
        rig.saveSubscriber(phone);
        InputFromModemScreen *s = rig.open();
        QTest::mouseClick(s->loadConf, Qt::LeftButton);
        rig.clock.advanceTo(44000 + 56000);
        QCOMPARE(states(s), QStringLiteral("11101"));
        const QByteArray logged = readBytes(rig.dir.file("logs/912345678.log"));
        QVERIFY(rig.link->isOpen());

        QTest::mouseClick(s->close, Qt::LeftButton);
        QVERIFY(!s->isVisible());
        QVERIFY(!rig.link->isOpen());
        QCOMPARE(s->inputValue->toPlainText(), QString());
        QVERIFY(!s->close->isEnabled());
        QCOMPARE(rig.clock.armedCount(), 0);
        QCOMPARE(readBytes(rig.dir.file("logs/912345678.log")), logged);
    }

    void windowCloseWaitsForTheTransfer()
    {
        ScreenRig rig;
        writeScript(4);
        rig.saveSubscriber(phone);
        QPointer<InputFromModemScreen> s = rig.open();
        QTest::mouseClick(s->loadConf, Qt::LeftButton);
        rig.clock.advanceTo(10000);

        QVERIFY(!s->QWidget::close()); // refused while running
        QCoreApplication::processEvents();
        QVERIFY(s);
        QCOMPARE(rig.boxes.shown.size(), 2);
        QCOMPARE(rig.boxes.last().icon, MessageIcon::Warning);

        rig.clock.advanceTo(100000);
        QVERIFY(rig.link->writes.size() == 13);
        QVERIFY(s->QWidget::close());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!s);
        QVERIFY(!rig.app.hasInputFromModem());
        QCOMPARE(rig.clock.armedCount(), 0);

        // Made afresh on the next use.
        InputFromModemScreen *again = rig.open();
        QCOMPARE(states(again), QStringLiteral("11100"));
        QVERIFY(again->inputValue->toPlainText().isEmpty());
    }
};

QTEST_MAIN(TestInputFromModem)
#include "tst_inputfrommodem.moc"
