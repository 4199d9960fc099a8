#include "builder/configscript.h"
#include "builder/modemnokiaconfscreen.h"
#include "builder/modemoptionsscreen.h"
#include "fields/dottedquad.h"
#include "fields/entryrules.h"
#include "fields/fieldrules.h"
#include "settings/servicesettings.h"
#include "shell/application.h"
#include "shell/textfile.h"

#include "recordingmessageboxes.h"
#include "workdir.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

namespace {

Octets quad(const QString &dotted)
{
    const QStringList parts = dotted.split(u'.');
    return {parts.value(0), parts.value(1), parts.value(2), parts.value(3)};
}

Message error(const QString &text)
{
    return {QStringLiteral("Error"), text, MessageIcon::Critical};
}

const Message storedMessage{QStringLiteral("Salvar..."),
                            QStringLiteral("Fichero de configuración almacenado."),
                            MessageIcon::Information};

} // namespace

class TestModemNokiaConfScreen : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        dir = std::make_unique<WorkDir>();
        boxes = std::make_unique<RecordingMessageBoxes>();
        app = std::make_unique<Application>();
        screen = app->modemNokiaConf();
    }
    void cleanup()
    {
        app.reset();
        boxes.reset();
        dir.reset();
    }

    void layoutAndTabOrder();
    void activationByType_data();
    void activationByType();
    void everyActivationStartsAnew();
    void phoneLimitFollowsTheSettings_data();
    void phoneLimitFollowsTheSettings();
    void telephoneRules();
    void saveOutOfAShortNumberOnlyComplains();
    void saveChecksInOrder_data();
    void saveChecksInOrder();
    void savedScriptIsTheBuiltOne_data();
    void savedScriptIsTheBuiltOne();
    void refusedScriptIsNoSuccess();
    void backAndCloseReturnToTypeSelection();

private:
    // Through the type screen, as the installer does.
    void open(int option)
    {
        ModemOptionsScreen *options = app->modemOptions();
        options->showScreen();
        QVERIFY(QTest::qWaitForWindowActive(options));
        QTest::mouseClick(options->DHCP_NAPT[option], Qt::LeftButton, {}, QPoint(6, options->DHCP_NAPT[option]->height() / 2));
        QVERIFY(options->DHCP_NAPT[option]->isChecked());
        QTest::mouseClick(options->configure, Qt::LeftButton);
        QVERIFY(QTest::qWaitForWindowActive(screen));
    }
    void activateAgain()
    {
        QWidget other;
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        screen->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(screen));
    }
    void fill(const QString &phone, const QString &ip, const QString &mask, const QString &modIp,
              const QString &modMask)
    {
        screen->userPhoneNumValue->setText(phone);
        screen->userIpAdd->setOctets(quad(ip));
        screen->userMaskAdd->setOctets(quad(mask));
        screen->modEtherIpAdd->setOctets(quad(modIp));
        screen->modEtherMaskAdd->setOctets(quad(modMask));
    }
    void save() { QTest::mouseClick(screen->saveModConf, Qt::LeftButton); }

    std::unique_ptr<WorkDir> dir;
    std::unique_ptr<RecordingMessageBoxes> boxes;
    std::unique_ptr<Application> app;
    ModemNokiaConfScreen *screen = nullptr;
};

void TestModemNokiaConfScreen::layoutAndTabOrder()
{
    open(0);
    QCOMPARE(screen->userPhoneNumTitle->text(), QStringLiteral("Teléfono:"));
    QCOMPARE(screen->serviceTypeTitle->title(), QStringLiteral("Modalidad de Servicio:"));
    QCOMPARE(screen->userConfTitle->title(), QStringLiteral("Configuración de usuario:"));
    QCOMPARE(screen->UserIpAddTitle->text(), QStringLiteral("Dirección IP:"));
    QCOMPARE(screen->modEtherMasAddTitle->text(), QStringLiteral("Máscara de red:"));
    QCOMPARE(screen->saveModConf->text(), QStringLiteral("&Salvar"));
    QCOMPARE(screen->back2ModOpt->text(), QStringLiteral("&Volver"));
    QVERIFY(screen->userPhoneNumValue->font().bold());
    QCOMPARE(screen->userPhoneNumValue->font().pointSizeF(), 9.75);
    QVERIFY(screen->modEtherMaskAdd->field(3)->font().bold());
    QCOMPARE(screen->modEtherMaskAdd->field(3)->font().pointSizeF(), 8.25);
    QVERIFY(!screen->UserIpAddTitle->font().bold());
    QVERIFY(screen->servicetypevalue[0]->x() < screen->servicetypevalue[1]->x());
    QVERIFY(screen->userConfTitle->y() < screen->modEtherManagementTitle->y());
    QVERIFY(screen->saveModConf->x() < screen->back2ModOpt->x());

    QStringList expected{"userPhoneNumValue", "servicetypevalue_0"};
    for (const char *name : {"userIpAdd", "userMaskAdd", "modEtherIpAdd", "modEtherMaskAdd"}) {
        for (int i = 0; i < 4; ++i)
            expected << QStringLiteral("%1_%2").arg(QLatin1String(name)).arg(i);
    }
    expected << "saveModConf" << "back2ModOpt" << "servicetypevalue_1" << "servicetypevalue_2";
    QStringList actual;
    QWidget *w = screen->userPhoneNumValue;
    for (qsizetype i = 0; i < expected.size(); ++i) {
        actual << w->objectName();
        do
            w = w->nextInFocusChain();
        while (w->focusPolicy() == Qt::NoFocus);
    }
    QCOMPARE(actual, expected);
}

void TestModemNokiaConfScreen::activationByType_data()
{
    QTest::addColumn<int>("option");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("frame");
    QTest::addColumn<QString>("modemAddress");
    QTest::addColumn<QString>("modemMask");
    QTest::newRow("DHCP") << 0 << "Configuración DHCP para Nokia M1112" << "Gestión del Módem"
                          << "..." << "...";
    QTest::newRow("NAPT") << 1 << "Configuración NAPT para Nokia M1112" << "Ethernet del Módem"
                          << "172.26.0.1" << "255.255.255.240";
}

void TestModemNokiaConfScreen::activationByType()
{
    QFETCH(int, option);
    QFETCH(QString, caption);
    QFETCH(QString, frame);
    QFETCH(QString, modemAddress);
    QFETCH(QString, modemMask);

    // Leftovers of an earlier subscriber, in both modem blocks.
    screen->modEtherIpAdd->setOctets(quad("9.9.9.9"));
    screen->modEtherMaskAdd->setOctets(quad("255.0.0.0"));
    open(option);
    QCOMPARE(screen->windowTitle(), caption);
    QCOMPARE(screen->modEtherManagementTitle->title(), frame);
    QCOMPARE(joinOctets(screen->modEtherIpAdd->octets()), modemAddress);
    QCOMPARE(joinOctets(screen->modEtherMaskAdd->octets()), modemMask);
    QCOMPARE(QApplication::focusWidget(), screen->userPhoneNumValue);
    QVERIFY(boxes->shown.isEmpty());
}

void TestModemNokiaConfScreen::everyActivationStartsAnew()
{
    open(1);
    QTest::keyClicks(screen->userPhoneNumValue, "912345678");
    QTest::mouseClick(screen->servicetypevalue[2], Qt::LeftButton, {}, QPoint(6, screen->servicetypevalue[2]->height() / 2));
    screen->userIpAdd->setOctets(quad("10.0.0.2"));
    screen->userMaskAdd->setOctets(quad("255.255.255.0"));
    screen->modEtherIpAdd->field(3)->setText("7");
    save(); // fails: saved all the same
    QVERIFY(screen->saved);
    QCOMPARE(boxes->shown.size(), 1);
    QTest::keyClick(screen->userPhoneNumValue, Qt::Key_Space); // leaves invalidKey pending
    QVERIFY(screen->rules()->invalidKey);

    activateAgain();
    QVERIFY(!screen->saved);
    QVERIFY(!screen->rules()->invalidKey);
    QCOMPARE(screen->userPhoneNumValue->text(), QString());
    QVERIFY(screen->servicetypevalue[0]->isChecked());
    QVERIFY(!screen->servicetypevalue[2]->isChecked());
    QCOMPARE(screen->userIpAdd->octets(), Octets());
    QCOMPARE(screen->userMaskAdd->octets(), Octets());
    // The type screen still shows NAPT: its modem block comes prefilled again.
    QCOMPARE(joinOctets(screen->modEtherIpAdd->octets()), QStringLiteral("172.26.0.1"));
    QCOMPARE(QApplication::focusWidget(), screen->userPhoneNumValue);

    // What is typed now is kept: invalidKey no longer empties it.
    QTest::keyClicks(screen->userPhoneNumValue, "9");
    QCOMPARE(screen->userPhoneNumValue->text(), QStringLiteral("9"));
}

void TestModemNokiaConfScreen::phoneLimitFollowsTheSettings_data()
{
    QTest::addColumn<QString>("maxSize");
    QTest::addColumn<int>("typedLength");
    QTest::newRow("nine") << "9" << 9;
    QTest::newRow("zero is no limit") << "0" << 14;
    QTest::newRow("not a number is no limit") << "x" << 14;
}

void TestModemNokiaConfScreen::phoneLimitFollowsTheSettings()
{
    QFETCH(QString, maxSize);
    QFETCH(int, typedLength);
    app->settings().minSize = QStringLiteral("1");
    app->settings().maxSize = maxSize;
    open(0);
    QTest::keyClicks(screen->userPhoneNumValue, "91234567890123");
    QCOMPARE(screen->userPhoneNumValue->text().size(), typedLength);
    QVERIFY(boxes->shown.isEmpty());
}

void TestModemNokiaConfScreen::telephoneRules()
{
    app->settings().minSize = QStringLiteral("9");
    app->settings().maxSize = QStringLiteral("10");
    open(0);
    QTest::keyClicks(screen->userPhoneNumValue, "91234567");
    QTest::keyClick(screen->userPhoneNumValue, Qt::Key_Tab);
    const Message length{QStringLiteral("Error:Formato no válido"),
                         QStringLiteral("El número de teléfono debe contener entre 9 y 10 digitos."),
                         MessageIcon::Warning};
    QCOMPARE(boxes->shown, QList<Message>{length});
    QCOMPARE(QApplication::focusWidget(), screen->userPhoneNumValue);

    QTest::keyClick(screen->userPhoneNumValue, Qt::Key_End);
    QTest::keyClicks(screen->userPhoneNumValue, "901");
    QCOMPARE(screen->userPhoneNumValue->text(), QStringLiteral("9123456790"));
    QTest::keyClick(screen->userPhoneNumValue, Qt::Key_Tab);
    QCOMPARE(boxes->shown.size(), 1);

    // Subscriber octets: empty passes, 300 comes back.
    QLineEdit *octet = screen->userIpAdd->field(1);
    QTest::mouseClick(octet, Qt::LeftButton);
    QTest::keyClick(octet, Qt::Key_Tab);
    QCOMPARE(boxes->shown.size(), 1);
    QTest::mouseClick(octet, Qt::LeftButton);
    QTest::keyClicks(octet, "300");
    QTest::keyClick(octet, Qt::Key_Tab);
    QCOMPARE(boxes->last(), entryrules::octetRangeMessage());
    QCOMPARE(QApplication::focusWidget(), octet);
}

void TestModemNokiaConfScreen::saveOutOfAShortNumberOnlyComplains()
{
    // The focus waits in the empty telephone field: the click on Save leaves
    // it, and the telephone message is all that comes of the click.
    open(0);
    save();
    QCOMPARE(boxes->shown,
             QList<Message>{entryrules::phoneLengthMessage(QStringLiteral("9"), QStringLiteral("9"))});
    QCOMPARE(QApplication::focusWidget(), screen->userPhoneNumValue);
    QVERIFY(!screen->saved);
}

void TestModemNokiaConfScreen::saveChecksInOrder_data()
{
    QTest::addColumn<int>("option");
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QString>("message");

    const QString complete[5] = {"912345678", "10.0.0.2", "255.255.255.0", "192.168.5.1",
                                 "255.255.255.0"};
    auto with = [&](int index, const QString &value) {
        QStringList entries(std::begin(complete), std::end(complete));
        entries[index] = value;
        return entries;
    };
    const QStringList empty{"", "...", "...", "...", "..."};

    QTest::newRow("everything empty") << 0 << empty
                                      << "El número de teléfono de abonado no es válido o no ha sido rellenado.";
    QTest::newRow("phone with letters") << 0 << with(0, "91a")
                                        << "El número de teléfono de abonado no es válido o no ha sido rellenado.";
    QTest::newRow("phone with a path") << 1 << with(0, "../x")
                                       << "El número de teléfono de abonado no es válido o no ha sido rellenado.";
    QTest::newRow("user address") << 0 << with(1, "10..0.2") << "La dirección IP del usuario no ha sido rellenada.";
    QTest::newRow("user mask empty") << 0 << with(2, "255.255.255.") << "La máscara de red del usuario no ha sido rellenada.";
    QTest::newRow("user mask shape") << 1 << with(2, "255.0.255.0") << "La máscara de red del usuario no tiene formato válido";
    QTest::newRow("DHCP modem address") << 0 << with(3, ".168.5.1") << "La dirección IP del módem no ha sido rellenada.";
    QTest::newRow("NAPT modem address") << 1 << with(3, ".168.5.1") << "La dirección IP ethernet del módem no ha sido rellenada.";
    QTest::newRow("DHCP modem mask") << 0 << with(4, "255..255.0") << "La máscara del módem no ha sido rellenada.";
    QTest::newRow("NAPT modem mask") << 1 << with(4, "255..255.0") << "La máscara ethernet del módem no ha sido rellenada.";
    QTest::newRow("DHCP modem mask shape") << 0 << with(4, "255.255.255.7") << "La máscara del módem no tiene un formato válido.";
    QTest::newRow("NAPT modem mask shape") << 1 << with(4, "255.255.255.7") << "La máscara ethernet del módem no tiene un formato válido.";
    QTest::newRow("user mask before modem") << 0 << QStringList{"9", "1.2.3.4", "255.255.1.0", "", ""}
                                            << "La máscara de red del usuario no tiene formato válido";
}

void TestModemNokiaConfScreen::saveChecksInOrder()
{
    QFETCH(int, option);
    QFETCH(QStringList, entries);
    QFETCH(QString, message);
    // No minimum: the telephone's own leave check stays out of the way.
    app->settings().minSize = QStringLiteral("0");
    open(option);
    fill(entries[0], entries[1], entries[2], entries[3], entries[4]);
    save();
    QCOMPARE(boxes->shown, QList<Message>{error(message)});
    QVERIFY(screen->saved);
    QVERIFY(!QDir(QStringLiteral("configuraciones")).exists());
    QCOMPARE(QApplication::focusWidget(), screen->saveModConf);
    QCOMPARE(screen->userPhoneNumValue->text(), entries[0]);
}

void TestModemNokiaConfScreen::savedScriptIsTheBuiltOne_data()
{
    QTest::addColumn<int>("option");
    QTest::addColumn<int>("lines");
    QTest::newRow("DHCP") << 0 << 32;
    QTest::newRow("NAPT") << 1 << 29;
}

void TestModemNokiaConfScreen::savedScriptIsTheBuiltOne()
{
    QFETCH(int, option);
    QFETCH(int, lines);
    open(option);
    QTest::keyClicks(screen->userPhoneNumValue, "012345678");
    QTest::mouseClick(screen->servicetypevalue[1], Qt::LeftButton, {}, QPoint(6, screen->servicetypevalue[1]->height() / 2));
    screen->userIpAdd->setOctets(quad("192.168.1.34"));
    screen->userMaskAdd->setOctets(quad("255.255.255.248"));
    if (option == 0) {
        screen->modEtherIpAdd->setOctets(quad("10.1.1.6"));
        screen->modEtherMaskAdd->setOctets(quad("255.255.255.252"));
    }
    save();
    QCOMPARE(boxes->shown, QList<Message>{storedMessage});
    QVERIFY(screen->saved);

    const ConfigType type = option == 0 ? ConfigType::DHCP : ConfigType::NAPT;
    const ConfigScript script = buildConfigScript(screen->subscriber(), type, app->settings());
    QVERIFY(script.ok());
    QCOMPARE(script.lines.size(), lines);
    QCOMPARE(screen->subscriber().servicetypevalue, QStringLiteral("Class"));
    QCOMPARE(readBytes(QStringLiteral("configuraciones/012345678.cfg")), textfile::joinLines(script.lines));
}

void TestModemNokiaConfScreen::refusedScriptIsNoSuccess()
{
    open(0);
    // The primary address of x.x.x.255/32 would end in 256.
    fill("912345678", "10.0.0.255", "255.255.255.255", "10.1.1.6", "255.255.255.252");
    save();
    QCOMPARE(boxes->shown.size(), 1);
    QCOMPARE(boxes->last().title, QStringLiteral("Error"));
    QCOMPARE(boxes->last().icon, MessageIcon::Critical);
    QCOMPARE(boxes->last().text,
             buildConfigScript(screen->subscriber(), ConfigType::DHCP, app->settings()).error);
    QVERIFY(screen->saved);
    QVERIFY(!QFile::exists(QStringLiteral("configuraciones/912345678.cfg")));

    // A file where the folder should be: the write fails, and says so.
    boxes->clear();
    QVERIFY(writeBytes(QStringLiteral("configuraciones"), "x"));
    screen->userIpAdd->field(3)->setText("2");
    save();
    QCOMPARE(boxes->shown.size(), 1);
    QCOMPARE(boxes->last().title, QStringLiteral("Error"));
    QVERIFY(boxes->last() != storedMessage);
}

void TestModemNokiaConfScreen::backAndCloseReturnToTypeSelection()
{
    open(1);
    QTest::keyClicks(screen->userPhoneNumValue, "912345678");
    QTest::mouseClick(screen->back2ModOpt, Qt::LeftButton);
    QVERIFY(!screen->isVisible());
    QVERIFY(app->modemOptions()->isVisible());
    open(1);
    screen->close(); // the empty telephone field is not left: no message

    QVERIFY(!screen->isVisible());
    QVERIFY(app->modemOptions()->isVisible());
    QVERIFY(boxes->shown.isEmpty());
}

QTEST_MAIN(TestModemNokiaConfScreen)
#include "tst_modemnokiaconfscreen.moc"
