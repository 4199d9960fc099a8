#include "screenfixture.h"

#include <QComboBox>
#include <QLabel>
#include <QRegularExpression>
#include <QTimer>

// The settings screen confADSL: the port, its adapter, the checks at Save.

namespace {

const Message lengthMessage{"Error en el tamaño del número de abonado",
                            "El número máximo de dígitos que forman el número de abonado al servicio\n\r"
                            "debe ser mayor o igual al número mínimo.",
                            MessageIcon::Warning};
const Message emptyMaskMessage{"Error en la máscara de red EDC", "A lá máscara de red EDC le faltan campos por rellenar.",
                               MessageIcon::Warning};
const Message maskMessage{"Error en la máscara de red EDC", "Lá máscara de red EDC no tiene un formato válido.",
                          MessageIcon::Warning};
const Message savedMessage{"Configuración guardada.", "Se ha guardado con éxito la nueva configuración.",
                           MessageIcon::Information};
const QString ftdiById = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0";
const SerialAdapter ttyS1{"/dev/ttyS1", "", "", "", ""}; // the machine's own second port
const SerialAdapter ftdi{"/dev/ttyUSB0", ftdiById, "FT232R USB UART", "FTDI", "A50285BI"};
const SerialAdapter uno{"/dev/ttyACM0", "", "Arduino Uno", "", ""};
const QString ftdiEntry = "FTDI FT232R USB UART nº A50285BI (ttyUSB0)";
const QString ftdiAt = " → FTDI FT232R USB UART (usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0)";

// Picks an entry of the drop-down as the installer does.
void choose(QComboBox *box, int index)
{
    box->setCurrentIndex(index);
    emit box->activated(index);
}

} // namespace

class TestConfAdslScreen : public ScreenTest
{
    Q_OBJECT

private slots:
    void init() { f = std::make_unique<Fixture>(); }
    void cleanup() { f.reset(); }

    // The selector's text sets the port at once, and the label beside it
    // tells what that number opens; a text that names no port keeps the
    // number and is refused at Save (the other texts: tst_servicesettings).
    void portFromSelector()
    {
        ConfAdslScreen *screen = alone<ConfAdslScreen>("confADSL");
        QVERIFY(screen);
        auto *port = child<QComboBox>(screen, "portOptions");
        QVERIFY(QFile::link("/dev/null", "com9"));
        QLineEdit *edit = port->lineEdit();
        const QList<std::tuple<QString, int, QString>> steps{{"com0", 1, "no es un puerto"},
                                                             {"com321", 321, "com321 → /dev/ttyS320 (no existe)"},
                                                             {"com9", 9, "com9 → /dev/null"}};
        for (const auto &[typed, number, device] : steps) {
            f->boxes.shown.clear();
            click(edit);
            QTest::keyClick(edit, Qt::Key_End);
            QTest::keyClick(edit, Qt::Key_Home, Qt::ShiftModifier);
            QTest::keyClicks(edit, typed);
            QCOMPARE(int(f->settings.comPort), number);
            QCOMPARE(child<QLabel>(screen, "portDevice")->text(), device);
            QVERIFY(f->boxes.shown.isEmpty());

            click(screen, "Save");
            const bool names = typed != "com0";
            QCOMPARE(f->boxes.last().title, names ? savedMessage.title : "Error en el puerto de comunicaciones");
            QCOMPARE(readBytes(settingsFileName).split('\r').value(0), names ? " " + typed.mid(3).toLatin1() : "");
            if (!names)
                QCOMPARE(QApplication::focusWidget(), port);
        }
    }

    // Adapters follow com1 to com14, read again as the drop-down opens and
    // about every second while the screen is shown, never while hidden; what
    // the installer chose or typed stays through each change.
    void adapterEntries()
    {
        f->adapters = {ftdi};
        auto *screen = alone<ConfAdslScreen>("confADSL");
        QVERIFY(screen);
        auto *port = child<QComboBox>(screen, "portOptions");
        auto *device = child<QLabel>(screen, "portDevice");
        const auto entries = [port] {
            QStringList texts;
            for (int i = 14; i < port->count(); ++i)
                texts << port->itemText(i);
            return texts;
        };
        QCOMPARE(port->itemText(13), "com14");
        QCOMPARE(entries(), QStringList{ftdiEntry});

        port->setEditText("com7");
        f->adapters = {uno, ftdi};
        port->showPopup();
        QCOMPARE(entries(), (QStringList{"Arduino Uno (ttyACM0)", ftdiEntry}));
        port->hidePopup();
        QCOMPARE(port->currentText(), "com7");

        choose(port, 15);
        QCOMPARE(port->currentText(), "com1");
        QCOMPARE(f->settings.comPort, 1);
        QCOMPARE(device->text(), "com1" + ftdiAt);
        f->adapters = {uno}; // pulled out
        const int reads = f->adapterReads;
        QTRY_COMPARE(entries(), QStringList{"Arduino Uno (ttyACM0)"});
        QVERIFY(f->adapterReads - reads <= 2);
        QCOMPARE(port->currentText(), "com1");
        QCOMPARE(device->text(), "com1" + ftdiAt + " (no existe)");
        f->adapters = {uno, ftdi}; // and back
        QTRY_COMPARE(port->currentIndex(), 15);
        QCOMPARE(port->currentText(), "com1");
        QCOMPARE(device->text(), "com1" + ftdiAt);

        click(screen, "back2main");
        QVERIFY(!child<QTimer>(screen, "adapterPoll")->isActive());
        QCOMPARE(f->settings.comPort, 1);
    }

    // Choosing an adapter shows the number it has or will have; Save writes
    // conf_gen.dat as ever, then makes comN lead to it. What stands at a
    // number the installer typed instead goes only when they say Yes.
    void adapterBinding_data()
    {
        QTest::addColumn<QStringList>("entries"); // comN>target: a link; comN=: a file; comN/: a folder
        QTest::addColumn<int>("adapter");         // of ttyS1, ftdi, uno
        QTest::addColumn<QString>("shown");       // the number the choice shows
        QTest::addColumn<QString>("typed");       // then typed over it
        QTest::addColumn<int>("asked");           // 0: no question; else the answer
        QTest::addColumn<QString>("link");        // where the saved comN leads afterwards ("": no link)
        QTest::addColumn<QString>("device");      // the label beside the selector afterwards
        const int yes = int(MessageAnswer::Yes), no = int(MessageAnswer::No);
        QTest::newRow("lowest free, past a link and a listed port")
            << QStringList{"com1>/dev/null"} << 1 << "com3" << "" << 0 << ftdiById << "com3" + ftdiAt;
        QTest::newRow("its by-id link reused") << QStringList{"com1>/dev/null", "com5>" + ftdiById} << 1 << "com5" << ""
                                               << 0 << ftdiById << "com5" + ftdiAt;
        QTest::newRow("its device link reused") << QStringList{"com4>/dev/ttyUSB0"} << 1 << "com4" << "" << 0
                                                << "/dev/ttyUSB0" << "com4" + ftdiAt;
        QTest::newRow("no by-id name: its device") << QStringList{} << 2 << "com1" << "" << 0 << "/dev/ttyACM0"
                                                   << "com1 → Arduino Uno (/dev/ttyACM0)";
        QTest::newRow("a listed port needs no link") << QStringList{} << 0 << "com2" << "" << 0 << ""
                                                     << "com2 → /dev/ttyS1";
        QTest::newRow("installer's link kept") << QStringList{"com2>/dev/null"} << 1 << "com1" << "com2" << no
                                               << "/dev/null" << "com2 → /dev/null";
        QTest::newRow("installer's link replaced") << QStringList{"com2>/dev/null"} << 1 << "com1" << "com2" << yes
                                                   << ftdiById << "com2" + ftdiAt;
        QTest::newRow("installer's file replaced") << QStringList{"com2="} << 2 << "com1" << "com2" << yes
                                                   << "/dev/ttyACM0" << "com2 → Arduino Uno (/dev/ttyACM0)";
        QTest::newRow("listed port kept") << QStringList{} << 1 << "com1" << "com2" << no << "" << "com2 → /dev/ttyS1";
        QTest::newRow("a folder in the way") << QStringList{"com2/"} << 1 << "com1" << "com2" << yes << "" << "";
    }

    void adapterBinding()
    {
        QFETCH(QStringList, entries);
        QFETCH(int, adapter);
        QFETCH(QString, shown);
        QFETCH(QString, typed);
        QFETCH(int, asked);
        QFETCH(QString, link);
        QFETCH(QString, device);
        for (const QString &entry : entries) {
            const QString name = entry.section(QRegularExpression("[>=/]"), 0, 0);
            if (entry.contains('>'))
                QVERIFY(QFile::link(entry.section('>', 1), name));
            else
                QVERIFY(entry.endsWith('/') ? QDir().mkdir(name) : writeBytes(name, "mine"));
        }
        f->adapters = {ttyS1, ftdi, uno};
        auto *screen = alone<ConfAdslScreen>("confADSL");
        QVERIFY(screen);
        auto *port = child<QComboBox>(screen, "portOptions");
        choose(port, 14 + adapter);
        QCOMPARE(port->currentText(), shown);
        if (!typed.isEmpty())
            port->setEditText(typed);
        const QString saved = typed.isEmpty() ? shown : typed;
        QCOMPARE(f->settings.comPort, saved.mid(3).toInt());

        if (asked)
            f->boxes.answers = {MessageAnswer(asked)};
        click(screen, "Save");
        QCOMPARE(f->boxes.shown.size(), asked ? 2 : 1);
        if (asked) {
            QCOMPARE(f->boxes.shown[0].buttons, MessageButtons::YesNoDefaultNo);
            QVERIFY(f->boxes.shown[0].text.contains(saved));
        }
        QCOMPARE(f->boxes.last().title, device.isEmpty() ? "Error al asignar el adaptador" : savedMessage.title);
        QCOMPARE(readBytes(settingsFileName), settingsFileBytes(f->settings));
        QVERIFY(readBytes(settingsFileName).startsWith(" " + saved.mid(3).toLatin1() + "\r\n"));
        QCOMPARE(QFileInfo(saved).symLinkTarget(), link);
        if (!device.isEmpty())
            QCOMPARE(child<QLabel>(screen, "portDevice")->text(), device);
        QCOMPARE(QDir().entryList({"*~adslconf-tmp~*"}, QDir::AllEntries | QDir::System), QStringList());
        for (const QString &entry : entries) {
            const QString name = entry.section('>', 0, 0);
            if (entry.contains('>') && (name != saved || asked == int(MessageAnswer::No)))
                QCOMPARE(QFileInfo(name).symLinkTarget(), entry.section('>', 1));
        }
    }

    void settingsSaveChecksInOrder_data()
    {
        QTest::addColumn<QString>("sizes");
        QTest::addColumn<QString>("edc");
        QTest::addColumn<QString>("mask");
        QTest::addColumn<Message>("message");
        QTest::addColumn<QString>("focus");
        QTest::newRow("equal sizes save") << "9-9" << "10.0.0.1" << "255.255.255.255" << savedMessage << "Save";
        QTest::newRow("length before mask") << "9-8" << "10.0.0.5" << "255.255.0.255" << lengthMessage << "minSize";
        QTest::newRow("max empty") << "9-" << "10.0.0.1" << "255.255.255.255" << lengthMessage << "minSize";
        QTest::newRow("empty mask field") << "9-10" << "10.0.0.5" << "255.255..0" << emptyMaskMessage << "maskAddEDC_3";
        QTest::newRow("mask does not fit") << "9-9" << "10.0.0.5" << "255.255.255.0" << maskMessage << "maskAddEDC_3";
        QTest::newRow("empty EDC octet") << "9-9" << "10.0..0" << "255.255.255.0" << maskMessage << "maskAddEDC_3";
    }

    void settingsSaveChecksInOrder()
    {
        QFETCH(QString, sizes);
        QFETCH(QString, edc);
        QFETCH(QString, mask);
        QFETCH(Message, message);
        QFETCH(QString, focus);
        ConfAdslScreen *screen = alone<ConfAdslScreen>("confADSL");
        QVERIFY(screen);
        line(screen, "minSize")->setText(sizes.section('-', 0, 0));
        line(screen, "maxSize")->setText(sizes.section('-', 1));
        quadOf(screen, "ipAddEDC")->setOctets(quad(edc));
        quadOf(screen, "maskAddEDC")->setOctets(quad(mask));
        click(screen, "Save");
        QCOMPARE(f->boxes.shown, QList<Message>{message});
        QCOMPARE(QApplication::focusWidget()->objectName(), focus);
        QCOMPARE(QFile::exists(settingsFileName), message == savedMessage);
        QCOMPARE(loadSettings() == f->settings, message == savedMessage);
        QCOMPARE(quadOf(screen, "maskAddEDC")->octets(), quad(mask));
    }

    // Every activation shows what the file holds, so edits not saved are lost on
    // leaving, by the back button or by closing the window. Save writes each
    // field to its line; a file that cannot be written is no success.
    void settingsFile()
    {
        QVERIFY(writeBytes(settingsFileName, "2\r\n10\r\n0\r\n0\r\n1\r\n255\r\n255\r\n255\r\n255\r\n"
                                             "1\r\n2\r\n3\r\n4\r\n8\r\n32\r\n9\r\n9\r\n"));
        auto *screen = alone<ConfAdslScreen>("confADSL");
        for (bool byClose : {false, true}) {
            screen->showScreen();
            QCOMPARE(child<QComboBox>(screen, "portOptions")->currentText(), "com2");
            QCOMPARE(quadOf(screen, "ipAddEDC")->octets(), quad("10.0.0.1"));
            line(screen, "vpiValue")->setText("99");
            line(screen, "ipAddEDC_0")->setText("11");
            QCOMPARE(f->settings.vpiValue, "99");
            if (byClose)
                screen->close();
            else
                click(screen, "back2main");
            QCOMPARE(f->settings, loadSettings());
            QCOMPARE(line(screen, "vpiValue")->text(), "32");
            QCOMPARE(line(screen, "ipAddEDC_0")->text(), "10");
        }
        QVERIFY(f->boxes.shown.isEmpty());

        screen->showScreen();
        child<QComboBox>(screen, "portOptions")->setCurrentIndex(13);
        quadOf(screen, "ipAddEDC")->setOctets(quad("10.20.31.0"));
        quadOf(screen, "maskAddEDC")->setOctets(quad("255.255.255.0"));
        quadOf(screen, "ipAddDNS")->setOctets(quad("1.2.3.4"));
        line(screen, "vciValue")->setText("0");
        line(screen, "vpiValue")->setText("33");
        line(screen, "minSize")->setText("8");
        line(screen, "maxSize")->setText("10");
        click(screen, "Save");
        QCOMPARE(f->boxes.shown, QList<Message>{savedMessage});
        QCOMPARE(readBytes(settingsFileName), QByteArray(" 14\r\n10\r\n20\r\n31\r\n0\r\n255\r\n255\r\n255\r\n0\r\n"
                                                         "1\r\n2\r\n3\r\n4\r\n0\r\n33\r\n8\r\n10\r\n"));

        QVERIFY(QFile::remove(settingsFileName) && QDir().mkdir(settingsFileName)); // a folder in the way
        click(screen, "Save");
        QCOMPARE(f->boxes.shown.size(), 2);
        QCOMPARE(f->boxes.last().title, "Error al guardar la configuración");
        QCOMPARE(f->boxes.last().icon, MessageIcon::Critical);
    }
};

QTEST_MAIN(TestConfAdslScreen)
#include "tst_confadslscreen.moc"
