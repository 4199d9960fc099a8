#include "fields/dottedquad.h"
#include "fields/entryrules.h"
#include "fields/fieldrules.h"
#include "settings/confadslscreen.h"
#include "settings/servicesettings.h"
#include "shell/application.h"
#include "shell/mainmenuscreen.h"
#include "shell/textfile.h"

#include "recordingmessageboxes.h"
#include "workdir.h"

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

namespace {

const Message lengthMessage{
    QStringLiteral("Error en el tamaño del número de abonado"),
    QStringLiteral("El número máximo de dígitos que forman el número de abonado al servicio\n\r"
                   "debe ser mayor o igual al número mínimo."),
    MessageIcon::Warning};
const Message emptyMaskMessage{QStringLiteral("Error en la máscara de red EDC"),
                               QStringLiteral("A lá máscara de red EDC le faltan campos por rellenar."),
                               MessageIcon::Warning};
const Message maskMessage{QStringLiteral("Error en la máscara de red EDC"),
                          QStringLiteral("Lá máscara de red EDC no tiene un formato válido."),
                          MessageIcon::Warning};
const Message savedMessage{QStringLiteral("Configuración guardada."),
                           QStringLiteral("Se ha guardado con éxito la nueva configuración."),
                           MessageIcon::Information};

Octets quad(const QString &dotted)
{
    const QStringList parts = dotted.split(u'.');
    return {parts.value(0), parts.value(1), parts.value(2), parts.value(3)};
}

} // namespace

class TestConfAdslScreen : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        dir = std::make_unique<WorkDir>();
        boxes = std::make_unique<RecordingMessageBoxes>();
        app = std::make_unique<Application>();
        screen = app->confADSL();
        screen->showScreen();
        QVERIFY(QTest::qWaitForWindowActive(screen));
    }
    void cleanup()
    {
        app.reset();
        boxes.reset();
        dir.reset();
    }

    void captionsAndTabOrder();
    void fieldsAreTheSharedRecord();
    void portFromSelector_data();
    void portFromSelector();
    void saveChecksInOrder_data();
    void saveChecksInOrder();
    void savedFileHoldsTheSeventeenLines();
    void unsavedEditsAreLostOnLeaving_data();
    void unsavedEditsAreLostOnLeaving();
    void failedWriteIsNoSuccess();
    void messageBoxDoesNotReloadTheFields();
    void settingsOctetRules();

private:
    void activateAnotherWindowAndComeBack()
    {
        QWidget other;
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        screen->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(screen));
    }
    void click(QWidget *w) { QTest::mouseClick(w, Qt::LeftButton); }

    std::unique_ptr<WorkDir> dir;
    std::unique_ptr<RecordingMessageBoxes> boxes;
    std::unique_ptr<Application> app;
    ConfAdslScreen *screen = nullptr;
};

void TestConfAdslScreen::captionsAndTabOrder()
{
    QCOMPARE(screen->windowTitle(), QStringLiteral("Configuración del servicio ADSL"));
    const QList<std::pair<const char *, QString>> frames{
        {"optionsPort", "Selección del puerto de comunicaciones:"},
        {"optionsPhoneSize", "Dígitios del número de teléfono"},
        {"optionsATMCircuit", "Circuito ATM de usuario:"},
        {"optionsEDCs", "Configuración de la gestión de EDCs:"},
        {"optionsConfDNS", "Configuración DNS:"}};
    int lastY = -1;
    for (const auto &[name, caption] : frames) {
        auto *frame = screen->findChild<QGroupBox *>(QString::fromLatin1(name));
        QVERIFY2(frame, name);
        QCOMPARE(frame->title(), caption);
        QVERIFY(frame->y() > lastY);
        lastY = frame->y();
    }
    const QList<std::pair<const char *, QString>> labels{
        {"optionsPortTitle", "Puerto de comunicaciones:"},
        {"minSizeTitle", "Mínimo:"},
        {"maxSizeTitle", "Máximo:"},
        {"circuitValuesTitle", "Circuito ATM:                           *"},
        {"ipAddECDTitle", "Dirección IP:"},
        {"maskAddECDTitle", "Máscara de red:"},
        {"ipAddDNSTitle", "Dirección IP:"}};
    for (const auto &[name, caption] : labels)
        QCOMPARE(screen->findChild<QLabel *>(QString::fromLatin1(name))->text(), caption);
    QCOMPARE(screen->portOptions->count(), 14);
    QCOMPARE(screen->portOptions->itemText(13), QStringLiteral("com14"));
    QCOMPARE(screen->Save->text(), QStringLiteral("&Salvar"));
    QCOMPARE(screen->back2main->text(), QStringLiteral("&Volver"));
    QVERIFY(screen->Save->x() < screen->back2main->x());
    QVERIFY(screen->vciValue->mapTo(screen, QPoint()).x() < screen->vpiValue->mapTo(screen, QPoint()).x());

    QStringList expected{"portOptions", "minSize", "maxSize", "vciValue", "vpiValue"};
    for (const char *name : {"ipAddEDC", "maskAddEDC", "ipAddDNS"}) {
        for (int i = 0; i < 4; ++i)
            expected << QStringLiteral("%1_%2").arg(QLatin1String(name)).arg(i);
    }
    expected << "Save" << "back2main";
    QStringList actual;
    QWidget *w = screen->portOptions;
    for (qsizetype i = 0; i < expected.size(); ++i) {
        actual << w->objectName();
        w = w->nextInFocusChain();
        while (w->focusPolicy() == Qt::NoFocus || w->focusProxy())
            w = w->nextInFocusChain();
    }
    QCOMPARE(actual, expected);
    QCOMPARE(screen->minSize->maxLength(), 1);
    QCOMPARE(screen->maxSize->maxLength(), 2);
    QCOMPARE(screen->ipAddDNS->field(2)->maxLength(), 3);
}

void TestConfAdslScreen::fieldsAreTheSharedRecord()
{
    QCOMPARE(screen->vciValue->text(), QStringLiteral("8"));
    click(screen->vciValue);
    QTest::keyClick(screen->vciValue, Qt::Key_End);
    QTest::keyClicks(screen->vciValue, "1");
    QCOMPARE(app->settings().vciValue, QStringLiteral("81"));
    click(screen->ipAddDNS->field(3));
    QTest::keyClick(screen->ipAddDNS->field(3), Qt::Key_End);
    QTest::keyClick(screen->ipAddDNS->field(3), Qt::Key_Backspace);
    QCOMPARE(app->settings().ipAddDNS[3], QStringLiteral("5"));

    // A refused key empties the field, and the record with it.
    QTest::keyClicks(screen->ipAddDNS->field(3), "x");
    QCOMPARE(app->settings().ipAddDNS[3], QString());
    QCOMPARE(boxes->shown, QList<Message>{entryrules::octetKeyMessage()});
}

void TestConfAdslScreen::portFromSelector_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("port");
    QTest::newRow("listed") << "com9" << 9;
    QTest::newRow("above the list") << "com21" << 21;
    QTest::newRow("not a port") << "ttyS0" << 1;
    QTest::newRow("no number") << "com" << 1;
    QTest::newRow("zero") << "com0" << 1;
}

void TestConfAdslScreen::portFromSelector()
{
    QFETCH(QString, typed);
    QFETCH(int, port);
    QLineEdit *edit = screen->portOptions->lineEdit();
    click(edit);
    QTest::keyClick(edit, Qt::Key_End);
    QTest::keyClick(edit, Qt::Key_Home, Qt::ShiftModifier);
    QTest::keyClicks(edit, typed);
    QCOMPARE(int(app->settings().comPort), port);
    QVERIFY(boxes->shown.isEmpty());
}

void TestConfAdslScreen::saveChecksInOrder_data()
{
    QTest::addColumn<QString>("minSize");
    QTest::addColumn<QString>("maxSize");
    QTest::addColumn<QString>("edc");
    QTest::addColumn<QString>("mask");
    QTest::addColumn<Message>("message");
    QTest::addColumn<QString>("focus");

    QTest::newRow("equal sizes save") << "9" << "9" << "10.0.0.1" << "255.255.255.255" << savedMessage << "";
    QTest::newRow("max below min") << "9" << "8" << "10.0.0.1" << "255.255.255.255" << lengthMessage
                                   << "minSize";
    QTest::newRow("length before mask") << "9" << "8" << "10.0.0.5" << "255.255.0.255" << lengthMessage
                                        << "minSize";
    QTest::newRow("max empty") << "9" << "" << "10.0.0.1" << "255.255.255.255" << lengthMessage << "minSize";
    QTest::newRow("min not a number") << "x" << "9" << "10.0.0.1" << "255.255.255.255" << lengthMessage
                                      << "minSize";
    QTest::newRow("empty third mask field") << "9" << "10" << "10.0.0.5" << "255.255..0" << emptyMaskMessage
                                            << "maskAddEDC_3";
    QTest::newRow("mask does not fit") << "9" << "9" << "10.0.0.5" << "255.255.255.0" << maskMessage
                                       << "maskAddEDC_3";
    QTest::newRow("mask shape") << "9" << "9" << "10.0.0.1" << "255.255.0.255" << maskMessage
                                << "maskAddEDC_3";
    QTest::newRow("empty EDC octet") << "9" << "9" << "10.0..0" << "255.255.255.0" << maskMessage
                                     << "maskAddEDC_3";
    QTest::newRow("network fits") << "1" << "12" << "10.0.1.0" << "255.255.255.0" << savedMessage << "";
}

void TestConfAdslScreen::saveChecksInOrder()
{
    QFETCH(QString, minSize);
    QFETCH(QString, maxSize);
    QFETCH(QString, edc);
    QFETCH(QString, mask);
    QFETCH(Message, message);
    QFETCH(QString, focus);

    screen->minSize->setText(minSize);
    screen->maxSize->setText(maxSize);
    screen->ipAddEDC->setOctets(quad(edc));
    screen->maskAddEDC->setOctets(quad(mask));
    click(screen->Save);
    QCOMPARE(boxes->shown, QList<Message>{message});
    if (focus.isEmpty()) {
        QVERIFY(QFile::exists(settingsFileName));
        QCOMPARE(loadSettings(), app->settings());
        QCOMPARE(QApplication::focusWidget(), screen->Save);
    } else {
        QVERIFY(!QFile::exists(settingsFileName));
        QCOMPARE(QApplication::focusWidget()->objectName(), focus);
    }
    QVERIFY(screen->isVisible());
    QCOMPARE(screen->minSize->text(), minSize);
    QCOMPARE(screen->maskAddEDC->octets(), quad(mask));
}

void TestConfAdslScreen::savedFileHoldsTheSeventeenLines()
{
    screen->portOptions->setCurrentIndex(13);
    QCOMPARE(app->settings().comPort, qint16(14));
    screen->ipAddEDC->setOctets(quad("10.20.31.0"));
    screen->maskAddEDC->setOctets(quad("255.255.255.0"));
    screen->ipAddDNS->setOctets(quad("1.2.3.4"));
    screen->vciValue->setText("0");
    screen->vpiValue->setText("33");
    screen->minSize->setText("8");
    screen->maxSize->setText("10");
    click(screen->Save);
    QCOMPARE(boxes->shown, QList<Message>{savedMessage});
    QCOMPARE(readBytes(settingsFileName),
             QByteArray(" 14\r\n10\r\n20\r\n31\r\n0\r\n255\r\n255\r\n255\r\n0\r\n"
                        "1\r\n2\r\n3\r\n4\r\n0\r\n33\r\n8\r\n10\r\n"));
    QCOMPARE(screen->portOptions->currentText(), QStringLiteral("com14"));
    QCOMPARE(screen->maxSize->text(), QStringLiteral("10"));
}

void TestConfAdslScreen::unsavedEditsAreLostOnLeaving_data()
{
    QTest::addColumn<int>("how");
    QTest::newRow("back2main") << 0;
    QTest::newRow("window closed") << 1;
    QTest::newRow("another window activated") << 2;
}

void TestConfAdslScreen::unsavedEditsAreLostOnLeaving()
{
    QFETCH(int, how);
    QVERIFY(writeBytes(settingsFileName, "2\r\n10\r\n0\r\n0\r\n1\r\n255\r\n255\r\n255\r\n255\r\n"
                                         "1\r\n2\r\n3\r\n4\r\n8\r\n32\r\n9\r\n9\r\n"));
    activateAnotherWindowAndComeBack();
    QCOMPARE(screen->portOptions->currentText(), QStringLiteral("com2"));
    QCOMPARE(screen->ipAddEDC->octets(), quad("10.0.0.1"));

    screen->vpiValue->setText("99");
    screen->ipAddEDC->field(0)->setText("11");
    QCOMPARE(app->settings().vpiValue, QStringLiteral("99"));

    switch (how) {
    case 0:
        click(screen->back2main);
        QVERIFY(!screen->isVisible());
        QVERIFY(app->mainMenu()->isVisible());
        break;
    case 1:
        screen->close();
        QVERIFY(!screen->isVisible());
        QVERIFY(app->mainMenu()->isVisible());
        break;
    default:
        activateAnotherWindowAndComeBack();
        break;
    }
    QCOMPARE(app->settings(), loadSettings());
    QCOMPARE(app->settings().vpiValue, QStringLiteral("32"));
    QCOMPARE(screen->vpiValue->text(), QStringLiteral("32"));
    QCOMPARE(screen->ipAddEDC->field(0)->text(), QStringLiteral("10"));
    QVERIFY(boxes->shown.isEmpty());
}

void TestConfAdslScreen::failedWriteIsNoSuccess()
{
    QVERIFY(QDir().mkdir(settingsFileName)); // a folder in the way: the file cannot be written
    click(screen->Save);
    QCOMPARE(boxes->shown.size(), 1);
    QCOMPARE(boxes->last().title, QStringLiteral("Error al guardar la configuración"));
    QCOMPARE(boxes->last().icon, MessageIcon::Critical);
    QVERIFY(!boxes->last().text.isEmpty());
    QVERIFY(screen->isVisible());
}

void TestConfAdslScreen::messageBoxDoesNotReloadTheFields()
{
    // A real message box takes the activation and gives it back; that is
    // not the user coming back to the screen.
    screen->maxSize->setText("8");
    boxes->whileOpen = [&](const Message &) {
        QWidget box;
        box.setWindowModality(Qt::ApplicationModal);
        box.show();
        box.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&box));
        box.hide();
        screen->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(screen));
    };
    click(screen->Save);
    QCOMPARE(boxes->shown, QList<Message>{lengthMessage});
    QCOMPARE(screen->maxSize->text(), QStringLiteral("8"));
    QCOMPARE(app->settings().maxSize, QStringLiteral("8"));
}

void TestConfAdslScreen::settingsOctetRules()
{
    QLineEdit *octet = screen->maskAddEDC->field(2);
    click(octet);
    QTest::keyClick(octet, Qt::Key_End);
    QTest::keyClicks(octet, "\b\b\b256");
    QTest::keyClick(octet, Qt::Key_Tab);
    QCOMPARE(boxes->shown, QList<Message>{entryrules::octetRangeMessage()});
    QCOMPARE(QApplication::focusWidget(), octet);
    QCOMPARE(octet->text(), QStringLiteral("256"));

    boxes->clear();
    click(screen->maxSize);
    QCOMPARE(boxes->shown, QList<Message>{entryrules::octetRangeMessage()});
    QCOMPARE(QApplication::focusWidget(), octet);
}

QTEST_MAIN(TestConfAdslScreen)
#include "tst_confadslscreen.moc"
