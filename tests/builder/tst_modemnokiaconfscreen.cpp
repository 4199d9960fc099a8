#include "screenfixture.h"

#include <QGroupBox>

// The subscriber screen modemNokiaConf.

namespace {

const Message storedMessage{"Salvar...", "Fichero de configuración almacenado.", MessageIcon::Information};
const QString badPhone = "El número de teléfono de abonado no es válido o no ha sido rellenado.";

} // namespace

class TestModemNokiaConfScreen : public ScreenTest
{
    Q_OBJECT

private slots:
    void init() { f = std::make_unique<Fixture>(); }
    void cleanup() { f.reset(); }

    // Every activation of the subscriber screen starts anew, from the type the
    // type screen holds, after a save and a refused key alike. Its back button
    // and its window's close both lead back.
    void subscriberActivation_data()
    {
        QTest::addColumn<int>("option");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("frame");
        QTest::addColumn<QString>("modem");
        QTest::newRow("DHCP") << 0 << "Configuración DHCP para Nokia M1112" << "Gestión del Módem" << "... ...";
        QTest::newRow("NAPT") << 1 << "Configuración NAPT para Nokia M1112" << "Ethernet del Módem"
                              << "172.26.0.1 255.255.255.240";
    }

    void subscriberActivation()
    {
        QFETCH(int, option);
        QFETCH(QString, caption);
        QFETCH(QString, frame);
        QFETCH(QString, modem);
        auto *screen = alone<ModemNokiaConfScreen>("modemNokiaConf", ConfigType(option));
        QVERIFY(screen);
        QSignalSpy back(screen, &Screen::back);
        QLineEdit *phone = line(screen, "userPhoneNumValue");
        fillSubscriber(screen, {"912345678", "10.0.0.2", "255.255.255.0", "9.9.9.9", "255.0.0.0"});
        clickOption(screen, "servicetypevalue_2");
        click(screen, "saveModConf");
        QVERIFY(screen->saved());
        QTest::keyClick(phone, Qt::Key_Space); // full: refused, pending
        QVERIFY(screen->findChild<FieldRules *>()->invalidKey());
        option == 0 ? click(screen, "back2ModOpt") : void(screen->close());
        QVERIFY(!screen->isVisible() && back.size() == 1);
        f->boxes.shown.clear();

        screen->showScreen();
        QCOMPARE(screen->windowTitle(), caption);
        QCOMPARE(child<QGroupBox>(screen, "modEtherManagementTitle")->title(), frame);
        QCOMPARE(joinOctets(quadOf(screen, "modEtherIpAdd")->octets()) + ' ' + joinOctets(quadOf(screen, "modEtherMaskAdd")->octets()), modem);
        QVERIFY(!screen->saved());
        QVERIFY(child<QRadioButton>(screen, "servicetypevalue_0")->isChecked());
        QCOMPARE(joinOctets(quadOf(screen, "userIpAdd")->octets()) + ' ' + joinOctets(quadOf(screen, "userMaskAdd")->octets()), "... ...");
        QCOMPARE(screen->focusWidget(), phone); // not Save's, clicked last
        QTest::keyClicks(phone, "9"); // no refusal left pending
        QCOMPARE(phone->text(), "9");
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
        f->settings.minSize = "10";
        f->settings.maxSize = maxSize;
        QLineEdit *phone = showField("modemNokiaConf/userPhoneNumValue");
        QVERIFY(phone);
        QTest::keyClicks(phone, "91234567890123");
        QCOMPARE(phone->text().size(), typedLength);
        QTest::keyClick(phone, Qt::Key_Tab);
        const Message tooShort{"Error:Formato no válido", "El número de teléfono debe contener entre 10 y " + maxSize + " digitos.",
                               MessageIcon::Warning};
        QCOMPARE(f->boxes.shown, typedLength < 10 ? QList<Message>{tooShort} : QList<Message>());
    }

    // Save checks the entries in this order and stops at the first fault,
    // writing nothing; else the script of the type picked goes to the
    // subscriber's file, or a failed write is reported and leaves what was in
    // the way.
    void subscriberSave_data()
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

    void subscriberSave()
    {
        QFETCH(int, option);
        QFETCH(QStringList, entries);
        QFETCH(QString, message);
        f->settings.minSize = "0"; // keeps the telephone's own leave check out of the way
        if (message == "*")
            QVERIFY(writeBytes("configuraciones", "x"));
        ModemNokiaConfScreen *screen = alone<ModemNokiaConfScreen>("modemNokiaConf", ConfigType(option));
        QVERIFY(screen);
        fillSubscriber(screen, entries);
        clickOption(screen, "servicetypevalue_1");
        click(screen, "saveModConf");
        QVERIFY(screen->saved());
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
            QCOMPARE(f->boxes.shown, (QList<Message>{{"Error", message, MessageIcon::Critical}}));
            QVERIFY(!QDir("configuraciones").exists());
            QCOMPARE(QApplication::focusWidget(), child(screen, "saveModConf"));
        }
    }
};

QTEST_MAIN(TestModemNokiaConfScreen)
#include "tst_modemnokiaconfscreen.moc"
