#include "fields/dottedquad.h"
#include "settings/confadslscreen.h"
#include "settings/servicesettings.h"
#include "shell/application.h"
#include "shell/mainmenuscreen.h"

#include "appfixture.h"
#include "screentest.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

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

} // namespace

class TestConfAdslScreen : public QObject
{
    Q_OBJECT

    std::unique_ptr<AppFixture> f;
    ConfAdslScreen *screen = nullptr;

private slots:
    void init()
    {
        f = std::make_unique<AppFixture>();
        screen = f->app.confADSL();
        screen->showScreen();
        QVERIFY(QTest::qWaitForWindowActive(screen));
    }
    void cleanup() { f.reset(); }

    void captionsAndTabOrder()
    {
        QCOMPARE(screen->windowTitle(), "Configuración del servicio ADSL");
        const QList<std::pair<const char *, QString>> captions{
            {"optionsPort", "Selección del puerto de comunicaciones:"},
            {"optionsPortTitle", "Puerto de comunicaciones:"},
            {"optionsPhoneSize", "Dígitios del número de teléfono"},
            {"minSizeTitle", "Mínimo:"},
            {"maxSizeTitle", "Máximo:"},
            {"optionsATMCircuit", "Circuito ATM de usuario:"},
            {"circuitValuesTitle", "Circuito ATM:                           *"},
            {"optionsEDCs", "Configuración de la gestión de EDCs:"},
            {"ipAddECDTitle", "Dirección IP:"},
            {"maskAddECDTitle", "Máscara de red:"},
            {"optionsConfDNS", "Configuración DNS:"},
            {"ipAddDNSTitle", "Dirección IP:"},
            {"Save", "&Salvar"},
            {"back2main", "&Volver"}};
        for (const auto &[name, text] : captions)
            QCOMPARE(caption(screen, name), text);
        QCOMPARE(screen->portOptions->count(), 14);
        QCOMPARE(screen->portOptions->itemText(13), "com14");
        const QStringList order = QStringList{"portOptions", "minSize", "maxSize", "vciValue", "vpiValue"}
            + octetNames({"ipAddEDC", "maskAddEDC", "ipAddDNS"}) + QStringList{"Save", "back2main"};
        QCOMPARE(tabOrder(screen->portOptions, order.size()), order);
    }

    // The selector's text sets the port at once, and the label beside it
    // tells what that number opens; a text that names no port keeps the
    // number and is refused at Save.
    void portFromSelector_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("port");
        QTest::addColumn<QString>("device");
        QTest::newRow("listed") << "com9" << 9 << "com9 → /dev/null";
        QTest::newRow("above the list") << "com321" << 321 << "com321 → /dev/ttyS320 (no existe)";
        QTest::newRow("com0") << "com0" << 1 << "no es un puerto"; // the other texts: tst_portname
    }
    void portFromSelector()
    {
        QFETCH(QString, typed);
        QFETCH(int, port);
        QFETCH(QString, device);
        QVERIFY(QFile::link("/dev/null", "com9"));
        QLineEdit *edit = screen->portOptions->lineEdit();
        click(edit);
        QTest::keyClick(edit, Qt::Key_End);
        QTest::keyClick(edit, Qt::Key_Home, Qt::ShiftModifier);
        QTest::keyClicks(edit, typed);
        QCOMPARE(int(f->app.settings().comPort), port);
        QCOMPARE(screen->portDevice->text(), device);
        QVERIFY(f->boxes.shown.isEmpty());

        click(screen->Save);
        const bool names = port != 1;
        QCOMPARE(f->boxes.shown.value(0).title,
                 names ? savedMessage.title : QString("Error en el puerto de comunicaciones"));
        QCOMPARE(QFile::exists(settingsFileName), names);
        if (!names)
            QCOMPARE(QApplication::focusWidget(), screen->portOptions);
    }

    void saveChecksInOrder_data()
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
    void saveChecksInOrder()
    {
        QFETCH(QString, sizes);
        QFETCH(QString, edc);
        QFETCH(QString, mask);
        QFETCH(Message, message);
        QFETCH(QString, focus);
        screen->minSize->setText(sizes.section('-', 0, 0));
        screen->maxSize->setText(sizes.section('-', 1));
        screen->ipAddEDC->setOctets(quad(edc));
        screen->maskAddEDC->setOctets(quad(mask));
        click(screen->Save);
        QCOMPARE(f->boxes.shown, QList<Message>{message});
        QCOMPARE(QApplication::focusWidget()->objectName(), focus);
        QCOMPARE(QFile::exists(settingsFileName), message == savedMessage);
        QCOMPARE(loadSettings() == f->app.settings(), message == savedMessage);
        QVERIFY(screen->isVisible());
        QCOMPARE(screen->maskAddEDC->octets(), quad(mask));
    }

    // Each field reaches its line; a file that cannot be written is no success.
    void savedFileHoldsTheSeventeenLines()
    {
        screen->portOptions->setCurrentIndex(13);
        screen->ipAddEDC->setOctets(quad("10.20.31.0"));
        screen->maskAddEDC->setOctets(quad("255.255.255.0"));
        screen->ipAddDNS->setOctets(quad("1.2.3.4"));
        screen->vciValue->setText("0");
        screen->vpiValue->setText("33");
        screen->minSize->setText("8");
        screen->maxSize->setText("10");
        click(screen->Save);
        QCOMPARE(f->boxes.shown, QList<Message>{savedMessage});
        QCOMPARE(readBytes(settingsFileName), QByteArray(" 14\r\n10\r\n20\r\n31\r\n0\r\n255\r\n255\r\n255\r\n0\r\n"
                                                         "1\r\n2\r\n3\r\n4\r\n0\r\n33\r\n8\r\n10\r\n"));

        QVERIFY(QFile::remove(settingsFileName) && QDir().mkdir(settingsFileName)); // a folder in the way
        click(screen->Save);
        QCOMPARE(f->boxes.shown.size(), 2);
        QCOMPARE(f->boxes.last().title, "Error al guardar la configuración");
        QCOMPARE(f->boxes.last().icon, MessageIcon::Critical);
    }

    // By the back button, then by closing the window.
    void unsavedEditsAreLostOnLeaving()
    {
        QVERIFY(writeBytes(settingsFileName, "2\r\n10\r\n0\r\n0\r\n1\r\n255\r\n255\r\n255\r\n255\r\n"
                                             "1\r\n2\r\n3\r\n4\r\n8\r\n32\r\n9\r\n9\r\n"));
        for (bool byClose : {false, true}) {
            screen->showScreen();
            QCOMPARE(screen->portOptions->currentText(), "com2");
            QCOMPARE(screen->ipAddEDC->octets(), quad("10.0.0.1"));
            screen->vpiValue->setText("99");
            screen->ipAddEDC->field(0)->setText("11");
            QCOMPARE(f->app.settings().vpiValue, "99");
            if (byClose)
                screen->close();
            else
                click(screen->back2main);
            QVERIFY(!screen->isVisible());
            QVERIFY(f->app.mainMenu()->isVisible());
            QCOMPARE(f->app.settings(), loadSettings());
            QCOMPARE(screen->vpiValue->text(), "32");
            QCOMPARE(screen->ipAddEDC->field(0)->text(), "10");
        }
        QVERIFY(f->boxes.shown.isEmpty());
    }
};

QTEST_MAIN(TestConfAdslScreen)
#include "tst_confadslscreen.moc"
