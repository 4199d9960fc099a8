#include "builder/configscript.h"
#include "builder/modemnokiaconfscreen.h"
#include "builder/modemoptionsscreen.h"
#include "fields/dottedquad.h"
#include "fields/entryrules.h"
#include "fields/fieldrules.h"
#include "settings/servicesettings.h"
#include "shell/application.h"
#include "shell/textfile.h"

#include "appfixture.h"

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

Message error(const QString &text) { return {"Error", text, MessageIcon::Critical}; }

const Message storedMessage{"Salvar...", "Fichero de configuración almacenado.", MessageIcon::Information};
const QString badPhone = "El número de teléfono de abonado no es válido o no ha sido rellenado.";

void clickOption(QRadioButton *option) { QTest::mouseClick(option, Qt::LeftButton, {}, QPoint(6, option->height() / 2)); }

} // namespace

class TestModemNokiaConfScreen : public QObject
{
    Q_OBJECT

    std::unique_ptr<AppFixture> f;
    ModemNokiaConfScreen *screen = nullptr;

    // Through the type screen, as the installer does.
    void open(int option)
    {
        ModemOptionsScreen *options = f->app.modemOptions();
        options->showScreen();
        QVERIFY(QTest::qWaitForWindowActive(options));
        clickOption(options->DHCP_NAPT[option]);
        QTest::mouseClick(options->configure, Qt::LeftButton);
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
    void save() { QTest::mouseClick(screen->saveModConf, Qt::LeftButton); }

private slots:
    void init()
    {
        f = std::make_unique<AppFixture>();
        screen = f->app.modemNokiaConf();
    }
    void cleanup() { f.reset(); }

    void captionsAndTabOrder()
    {
        open(0);
        QCOMPARE(screen->userPhoneNumTitle->text(), QString("Teléfono:"));
        QCOMPARE(screen->serviceTypeTitle->title(), QString("Modalidad de Servicio:"));
        QCOMPARE(screen->userConfTitle->title(), QString("Configuración de usuario:"));
        QCOMPARE(screen->UserIpAddTitle->text(), QString("Dirección IP:"));
        QCOMPARE(screen->modEtherMasAddTitle->text(), QString("Máscara de red:"));
        QCOMPARE(screen->saveModConf->text(), QString("&Salvar"));
        QCOMPARE(screen->back2ModOpt->text(), QString("&Volver"));
        QVERIFY(screen->userPhoneNumValue->font().bold());
        QCOMPARE(screen->userPhoneNumValue->font().pointSizeF(), 9.75);

        QStringList expected{"userPhoneNumValue", "servicetypevalue_0"};
        for (const char *name : {"userIpAdd", "userMaskAdd", "modEtherIpAdd", "modEtherMaskAdd"})
            for (int i = 0; i < 4; ++i)
                expected << QString("%1_%2").arg(name).arg(i);
        expected << "saveModConf" << "back2ModOpt" << "servicetypevalue_1" << "servicetypevalue_2";
        QStringList actual;
        for (QWidget *w = screen->userPhoneNumValue; actual.size() < expected.size(); w = w->nextInFocusChain())
            if (w->focusPolicy() != Qt::NoFocus)
                actual << w->objectName();
        QCOMPARE(actual, expected);
    }

    void activationByType_data()
    {
        QTest::addColumn<int>("option");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("frame");
        QTest::addColumn<QString>("modem");
        QTest::newRow("DHCP") << 0 << "Configuración DHCP para Nokia M1112" << "Gestión del Módem" << "... ...";
        QTest::newRow("NAPT") << 1 << "Configuración NAPT para Nokia M1112" << "Ethernet del Módem"
                              << "172.26.0.1 255.255.255.240";
    }
    void activationByType()
    {
        QFETCH(int, option);
        QFETCH(QString, caption);
        QFETCH(QString, frame);
        QFETCH(QString, modem);
        fill({"", QString(), QString(), "9.9.9.9", "255.0.0.0"}); // an earlier subscriber's
        open(option);
        QCOMPARE(screen->windowTitle(), caption);
        QCOMPARE(screen->modEtherManagementTitle->title(), frame);
        QCOMPARE(joinOctets(screen->modEtherIpAdd->octets()) + ' ' + joinOctets(screen->modEtherMaskAdd->octets()),
                 modem);
        QCOMPARE(QApplication::focusWidget(), screen->userPhoneNumValue);
        QVERIFY(f->boxes.shown.isEmpty());
    }

    void everyActivationStartsAnew()
    {
        open(1);
        QTest::keyClicks(screen->userPhoneNumValue, "912345678");
        clickOption(screen->servicetypevalue[2]);
        fill({"912345678", "10.0.0.2", "255.255.255.0"});
        screen->modEtherIpAdd->field(3)->setText("7");
        save(); // fails, but counts as saved
        QVERIFY(screen->saved);
        QCOMPARE(f->boxes.shown.size(), 1);
        QTest::keyClick(screen->userPhoneNumValue, Qt::Key_Space); // leaves invalidKey pending
        QVERIFY(screen->rules()->invalidKey);

        screen->showScreen();
        QVERIFY(!screen->saved);
        QVERIFY(!screen->rules()->invalidKey);
        QCOMPARE(screen->userPhoneNumValue->text(), QString());
        QVERIFY(screen->servicetypevalue[0]->isChecked());
        QCOMPARE(screen->userIpAdd->octets(), Octets());
        QCOMPARE(screen->userMaskAdd->octets(), Octets());
        // The type screen still shows NAPT: its modem block comes prefilled again.
        QCOMPARE(joinOctets(screen->modEtherIpAdd->octets()), QString("172.26.0.1"));
        QCOMPARE(QApplication::focusWidget(), screen->userPhoneNumValue);
        QTest::keyClicks(screen->userPhoneNumValue, "9"); // no longer emptied
        QCOMPARE(screen->userPhoneNumValue->text(), QString("9"));
    }

    // Each field of the screen under its own rules: a letter shows the
    // field's key message and empties it; an empty octet may be left, an
    // empty telephone may not.
    void fieldRules_data()
    {
        QTest::addColumn<QString>("field");
        for (const char *field : {"userIpAdd_0", "userMaskAdd_1", "modEtherIpAdd_2", "modEtherMaskAdd_3", "userPhoneNumValue"})
            QTest::newRow(field) << field;
    }
    void fieldRules()
    {
        QFETCH(QString, field);
        open(0);
        auto *line = screen->findChild<QLineEdit *>(field);
        QVERIFY(line);
        const bool phone = field == "userPhoneNumValue";
        screen->userPhoneNumValue->setText("912345678"); // may be left
        QTest::mouseClick(line, Qt::LeftButton);
        line->clear();
        QTest::keyClicks(line, "a");
        QCOMPARE(line->text(), QString());
        QTest::keyClick(line, Qt::Key_Tab);
        QList<Message> expected{phone ? entryrules::digitKeyMessage() : entryrules::octetKeyMessage()};
        if (phone)
            expected << entryrules::phoneLengthMessage("9", "9");
        QCOMPARE(f->boxes.shown, expected);
        QCOMPARE(QApplication::focusWidget() == line, phone);
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
        QVERIFY(f->boxes.shown.isEmpty());
        QTest::keyClick(screen->userPhoneNumValue, Qt::Key_Tab);
        const bool tooShort = typedLength < 10;
        const Message length{"Error:Formato no válido", "El número de teléfono debe contener entre 10 y " + maxSize + " digitos.",
                             MessageIcon::Warning};
        QCOMPARE(f->boxes.shown, tooShort ? QList<Message>{length} : QList<Message>());
        QCOMPARE(QApplication::focusWidget() == screen->userPhoneNumValue, tooShort);
    }

    void subscriberOctets()
    {
        open(0);
        QLineEdit *octet = screen->userIpAdd->field(1);
        screen->userPhoneNumValue->setText("912345678");
        QTest::mouseClick(octet, Qt::LeftButton);
        QTest::keyClicks(octet, "300");
        QTest::keyClick(octet, Qt::Key_Tab);
        QCOMPARE(f->boxes.shown, QList<Message>{entryrules::octetRangeMessage()});
        QCOMPARE(QApplication::focusWidget(), octet);
    }

    void saveOutOfAShortNumberOnlyComplains()
    {
        // The focus waits in the empty telephone field: the click on Save
        // leaves it, and the telephone message is all that comes of it.
        open(0);
        save();
        QCOMPARE(f->boxes.shown, QList<Message>{entryrules::phoneLengthMessage("9", "9")});
        QCOMPARE(QApplication::focusWidget(), screen->userPhoneNumValue);
        QVERIFY(!screen->saved);
    }

    void saveChecksInOrder_data()
    {
        QTest::addColumn<int>("option");
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QString>("message");
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
        QTest::newRow("refused script") << 0 << with(2, "255.255.255.255") << "refused"; // 10.0.0.255 + 1
    }
    void saveChecksInOrder()
    {
        QFETCH(int, option);
        QFETCH(QStringList, entries);
        QFETCH(QString, message);
        f->app.settings().minSize = "0"; // keeps the telephone's own leave check out of the way
        open(option);
        if (message == "refused")
            entries[1] = "10.0.0.255";
        fill(entries);
        save();
        if (message == "refused")
            message = buildConfigScript(screen->subscriber(), ConfigType::DHCP, f->app.settings()).error;
        QCOMPARE(f->boxes.shown, QList<Message>{error(message)});
        QVERIFY(screen->saved);
        QVERIFY(!QDir("configuraciones").exists());
        QCOMPARE(QApplication::focusWidget(), screen->saveModConf);
        QCOMPARE(screen->userPhoneNumValue->text(), entries[0]);
    }

    void savedScriptIsTheBuiltOne_data()
    {
        QTest::addColumn<int>("option");
        QTest::addColumn<int>("lines");
        QTest::newRow("DHCP") << 0 << 32;
        QTest::newRow("NAPT") << 1 << 29;
    }
    void savedScriptIsTheBuiltOne()
    {
        QFETCH(int, option);
        QFETCH(int, lines);
        open(option);
        QTest::keyClicks(screen->userPhoneNumValue, "012345678");
        clickOption(screen->servicetypevalue[1]);
        fill({"012345678", "192.168.1.34", "255.255.255.248"});
        if (option == 0)
            fill({"012345678", QString(), QString(), "10.1.1.6", "255.255.255.252"});
        save();
        QCOMPARE(f->boxes.shown, QList<Message>{storedMessage});
        QVERIFY(screen->saved);
        QCOMPARE(screen->subscriber().servicetypevalue, QString("Class"));
        const ConfigScript script = buildConfigScript(screen->subscriber(), ConfigType(option), f->app.settings());
        QCOMPARE(script.lines.size(), lines);
        QCOMPARE(readBytes("configuraciones/012345678.cfg"), textfile::joinLines(script.lines));

        QTest::mouseClick(screen->back2ModOpt, Qt::LeftButton);
        QVERIFY(!screen->isVisible());
        QVERIFY(f->app.modemOptions()->isVisible());
    }

    void failedWriteIsNoSuccess()
    {
        QVERIFY(writeBytes("configuraciones", "x")); // a file where the folder should be
        open(1);
        fill({"912345678", "10.0.0.2", "255.255.255.0"});
        save();
        QCOMPARE(f->boxes.shown.size(), 1);
        QCOMPARE(f->boxes.last().title, QString("Error"));
        QCOMPARE(f->boxes.last().icon, MessageIcon::Critical);
        QCOMPARE(readBytes("configuraciones"), QByteArray("x"));
    }
};

QTEST_MAIN(TestModemNokiaConfScreen)
#include "tst_modemnokiaconfscreen.moc"
