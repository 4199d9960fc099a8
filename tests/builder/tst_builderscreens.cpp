#include "builder/modemnokiaconfscreen.h"
#include "builder/modemoptionsscreen.h"
#include "fields/dottedquad.h"
#include "fields/fieldrules.h"
#include "settings/servicesettings.h"
#include "shell/application.h"
#include "shell/mainmenuscreen.h"

#include "appfixture.h"
#include "screentest.h"

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace {

Message error(const QString &text) { return {"Error", text, MessageIcon::Critical}; }

const Message storedMessage{"Salvar...", "Fichero de configuración almacenado.", MessageIcon::Information};
const QString badPhone = "El número de teléfono de abonado no es válido o no ha sido rellenado.";

void clickOption(QRadioButton *option) { QTest::mouseClick(option, Qt::LeftButton, {}, QPoint(6, option->height() / 2)); }

} // namespace

// The type screen and the subscriber screen it leads to.
class TestBuilderScreens : public QObject
{
    Q_OBJECT

    std::unique_ptr<AppFixture> f;
    ModemOptionsScreen *options = nullptr;
    ModemNokiaConfScreen *screen = nullptr;

    void open(int option)
    {
        clickOption(options->DHCP_NAPT[option]);
        click(options->configure);
        QVERIFY(QTest::qWaitForWindowActive(screen));
    }
    void fill(const QStringList &entries) // telephone, then the four addresses and masks
    {
        screen->userPhoneNumValue->setText(entries[0]);
        const QList<DottedQuad *> quads{screen->userIpAdd, screen->userMaskAdd, screen->modEtherIpAdd,
                                        screen->modEtherMaskAdd};
        for (int i = 0; i < 4; ++i)
            if (!entries.value(i + 1).isNull())
                quads[i]->setOctets(quad(entries[i + 1]));
    }

private slots:
    // Through the main menu, as the installer does.
    void init()
    {
        f = std::make_unique<AppFixture>();
        options = f->app.modemOptions();
        screen = f->app.modemNokiaConf();
        f->app.start();
        click(f->app.mainMenu()->M_intrConf);
        QVERIFY(QTest::qWaitForWindowActive(options));
    }
    void cleanup() { f.reset(); }

    void captionsAndTabOrder()
    {
        QCOMPARE(options->windowTitle(), "Selección de módem ADSL");
        const QList<std::pair<const char *, QString>> captions{
            {"modemTitle", "Módem ADSL:"},
            {"typeConfTitle", "Tipo de configuración:"},
            {"DHCP_NAPT_0", "Modo M&onopuesto, con DHCP y sin NAPT"},
            {"DHCP_NAPT_1", "Modo M&ultipuesto, sin DHCP y con NAPT"},
            {"configure", "Ac&eptar"},
            {"back2main", "&Volver"},
            {"userPhoneNumTitle", "Teléfono:"},
            {"serviceTypeTitle", "Modalidad de Servicio:"},
            {"userConfTitle", "Configuración de usuario:"},
            {"UserIpAddTitle", "Dirección IP:"},
            {"modEtherMasAddTitle", "Máscara de red:"},
            {"saveModConf", "&Salvar"},
            {"back2ModOpt", "&Volver"}};
        for (const auto &[name, text] : captions)
            QCOMPARE(caption(options->findChild<QWidget *>(name) ? (QWidget *)options : screen, name), text);
        QCOMPARE(options->modemSelected->count(), 1);
        QCOMPARE(options->modemSelected->currentText(), "Nokia M1112");
        QVERIFY(screen->userPhoneNumValue->font().bold());
        QCOMPARE(screen->userPhoneNumValue->font().pointSizeF(), 9.75);

        QCOMPARE(tabOrder(options->configure, 5),
                 (QStringList{"configure", "back2main", "modemSelected", "DHCP_NAPT_0", "DHCP_NAPT_1"}));
        const QStringList order = QStringList{"userPhoneNumValue", "servicetypevalue_0"}
            + octetNames({"userIpAdd", "userMaskAdd", "modEtherIpAdd", "modEtherMaskAdd"})
            + QStringList{"saveModConf", "back2ModOpt", "servicetypevalue_1", "servicetypevalue_2"};
        QCOMPARE(tabOrder(screen->userPhoneNumValue, order.size()), order);
    }

    // Every activation of the type screen starts at DHCP, whatever was
    // picked before; the hidden screen keeps the choice while the subscriber
    // screen reads it.
    void typeScreenStartsAtDhcp()
    {
        QVERIFY(options->DHCP_NAPT[0]->isChecked());
        clickOption(options->DHCP_NAPT[1]);
        QCOMPARE(options->selectedType(), ConfigType::NAPT);

        // Back from another window of the program, for instance the transfer screen.
        f->app.mainMenu()->show();
        f->app.mainMenu()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f->app.mainMenu()));
        options->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(options));
        QCOMPARE(options->selectedType(), ConfigType::DHCP);

        open(1);
        QVERIFY(!options->isVisible());
        QCOMPARE(options->selectedType(), ConfigType::NAPT);
        screen->close();
        QVERIFY(QTest::qWaitForWindowActive(options));
        QCOMPARE(options->selectedType(), ConfigType::DHCP);
        QVERIFY(f->boxes.shown.isEmpty());
    }

    // Every activation of the subscriber screen starts anew, after a save
    // and a refused key alike.
    void activation_data()
    {
        QTest::addColumn<int>("option");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("frame");
        QTest::addColumn<QString>("modem");
        QTest::newRow("DHCP") << 0 << "Configuración DHCP para Nokia M1112" << "Gestión del Módem" << "... ...";
        QTest::newRow("NAPT") << 1 << "Configuración NAPT para Nokia M1112" << "Ethernet del Módem"
                              << "172.26.0.1 255.255.255.240";
    }
    void activation()
    {
        QFETCH(int, option);
        QFETCH(QString, caption);
        QFETCH(QString, frame);
        QFETCH(QString, modem);
        open(option);
        fill({"912345678", "10.0.0.2", "255.255.255.0", "9.9.9.9", "255.0.0.0"});
        clickOption(screen->servicetypevalue[2]);
        click(screen->saveModConf);
        QVERIFY(screen->saved);
        QTest::keyClick(screen->userPhoneNumValue, Qt::Key_Space); // full: refused, pending
        QVERIFY(screen->rules()->invalidKey);
        click(screen->back2ModOpt);
        QVERIFY(QTest::qWaitForWindowActive(options));
        f->boxes.clear();

        open(option);
        QCOMPARE(screen->windowTitle(), caption);
        QCOMPARE(screen->modEtherManagementTitle->title(), frame);
        QCOMPARE(joinOctets(screen->modEtherIpAdd->octets()) + ' ' + joinOctets(screen->modEtherMaskAdd->octets()),
                 modem);
        QVERIFY(!screen->saved);
        QVERIFY(screen->servicetypevalue[0]->isChecked());
        QCOMPARE(joinOctets(screen->userIpAdd->octets()) + ' ' + joinOctets(screen->userMaskAdd->octets()), "... ...");
        QCOMPARE(QApplication::focusWidget(), screen->userPhoneNumValue);
        QTest::keyClicks(screen->userPhoneNumValue, "9"); // no refusal left pending
        QCOMPARE(screen->userPhoneNumValue->text(), "9");
        QVERIFY(f->boxes.shown.isEmpty());
    }

    void telephoneField_data()
    {
        QTest::addColumn<QString>("maxSize");
        QTest::addColumn<int>("typedLength");
        QTest::newRow("nine") << "9" << 9;
        QTest::newRow("zero is no limit") << "0" << 14;
        QTest::newRow("not a number is no limit") << "x" << 14;
    }
    void telephoneField()
    {
        QFETCH(QString, maxSize);
        QFETCH(int, typedLength);
        f->app.settings().minSize = "10";
        f->app.settings().maxSize = maxSize;
        open(0);
        QTest::keyClicks(screen->userPhoneNumValue, "91234567890123");
        QCOMPARE(screen->userPhoneNumValue->text().size(), typedLength);
        QTest::keyClick(screen->userPhoneNumValue, Qt::Key_Tab);
        const Message tooShort{"Error:Formato no válido", "El número de teléfono debe contener entre 10 y " + maxSize + " digitos.",
                               MessageIcon::Warning};
        QCOMPARE(f->boxes.shown, typedLength < 10 ? QList<Message>{tooShort} : QList<Message>());
    }

    // Save checks the entries in this order and stops at the first fault,
    // writing nothing; else the script of the type picked goes to the
    // subscriber's file, or a failed write is reported and leaves what was
    // in the way.
    void save_data()
    {
        QTest::addColumn<int>("option");
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QString>("message"); // null: stored; "*": a failed write
        const QStringList complete{"912345678", "10.0.0.2", "255.255.255.0", "192.168.5.1", "255.255.255.0"};
        const auto with = [&](int index, const QString &value) {
            QStringList entries = complete;
            entries[index] = value;
            return entries;
        };
        QTest::newRow("everything empty") << 0 << QStringList{"", "...", "...", "...", "..."} << badPhone;
        QTest::newRow("phone with a path") << 1 << with(0, "../x") << badPhone;
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
        QStringList noRoom = with(2, "255.255.255.255");
        noRoom[1] = "10.0.0.255";
        QTest::newRow("script refused") << 0 << noRoom
                                        << "La dirección 10.0.0.255 con la máscara 255.255.255.255 no deja sitio para "
                                           "la dirección primaria: su último octeto pasaría de 255.";
        const QStringList napt{"012345678", "192.168.1.34", "255.255.255.248"};
        QTest::newRow("DHCP, 32 lines") << 0 << napt + QStringList{"10.1.1.6", "255.255.255.252"} << QString();
        QTest::newRow("NAPT, 29 lines") << 1 << napt << QString();
        QTest::newRow("a file where the folder should be") << 1 << napt << "*";
    }
    void save()
    {
        QFETCH(int, option);
        QFETCH(QStringList, entries);
        QFETCH(QString, message);
        f->app.settings().minSize = "0"; // keeps the telephone's own leave check out of the way
        if (message == "*")
            QVERIFY(writeBytes("configuraciones", "x"));
        open(option);
        fill(entries);
        clickOption(screen->servicetypevalue[1]);
        click(screen->saveModConf);
        QVERIFY(screen->saved);
        QCOMPARE(screen->userPhoneNumValue->text(), entries[0]);
        if (message.isNull()) {
            QCOMPARE(f->boxes.shown, QList<Message>{storedMessage});
            QCOMPARE(screen->subscriber().servicetypevalue, "Class");
            const QByteArray file = readBytes("configuraciones/012345678.cfg");
            QCOMPARE(file.count("\r\n"), option == 0 ? 32 : 29);
            QVERIFY(file.contains("\r\nhostname 012345678\r\n"));
        } else if (message == "*") {
            QCOMPARE(f->boxes.shown.size(), 1);
            QCOMPARE(f->boxes.last().title, "Error");
            QCOMPARE(f->boxes.last().icon, MessageIcon::Critical);
            QCOMPARE(readBytes("configuraciones"), "x");
        } else {
            QCOMPARE(f->boxes.shown, QList<Message>{error(message)});
            QVERIFY(!QDir("configuraciones").exists());
            QCOMPARE(QApplication::focusWidget(), screen->saveModConf);
        }
    }
};

QTEST_MAIN(TestBuilderScreens)
#include "tst_builderscreens.moc"
