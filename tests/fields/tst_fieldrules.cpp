#include "fields/dottedquad.h"
#include "fields/entryrules.h"
#include "fields/fieldrules.h"
#include "settings/servicesettings.h"

#include "recordingmessageboxes.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <QtTest>

// A window with one field of every kind, under one set of rules.
class Host : public QWidget
{
public:
    Host()
    {
        settings.minSize = QStringLiteral("9");
        settings.maxSize = QStringLiteral("10");
        auto *layout = new QVBoxLayout(this);
        // First in the focus chain, so that activation lands on no field.
        other = new QPushButton(QStringLiteral("other"), this);
        edc = new DottedQuad(QStringLiteral("ipAddEDC"), this);
        user = new DottedQuad(QStringLiteral("userIpAdd"), this);
        minSize = addLine("minSize", 1);
        maxSize = addLine("maxSize", 2);
        phone = addLine("phone", 10);
        file = addLine("file", 0);
        layout->insertWidget(0, edc);
        layout->insertWidget(1, user);
        layout->addWidget(other);
        rules = new FieldRules(this);
        rules->addOctets(edc, FieldRules::OctetLeave::RefuseEmpty);
        rules->addOctets(user, FieldRules::OctetLeave::AllowEmpty);
        rules->addCounter(minSize, true);
        rules->addCounter(maxSize, false);
        rules->addPhoneNumber(phone, settings);
        rules->addFileNumber(file);
    }

    QLineEdit *addLine(const char *name, int maxLength)
    {
        auto *line = new QLineEdit(this);
        line->setObjectName(QString::fromLatin1(name));
        if (maxLength > 0)
            line->setMaxLength(maxLength);
        layout()->addWidget(line);
        return line;
    }

    ServiceSettings settings;
    DottedQuad *edc;
    DottedQuad *user;
    QLineEdit *minSize;
    QLineEdit *maxSize;
    QLineEdit *phone;
    QLineEdit *file;
    QPushButton *other;
    FieldRules *rules;
};

class TestFieldRules : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        host = std::make_unique<Host>();
        host->show();
        host->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(host.get()));
        boxes = std::make_unique<RecordingMessageBoxes>();
    }
    void cleanup()
    {
        boxes.reset();
        host.reset();
    }

    void typing_data();
    void typing();
    void copyKeyLeavesTextUntilNextChange();
    void pasteKeyEmptiesField();
    void keysThatTypeNoCharacterPass();
    void invalidKeyIsSharedByTheScreen();
    void programChangeRunsClearStep();
    void leaving_data();
    void leaving();
    void clickOutOfAnInvalidFieldIsDropped();
    void twoInvalidFieldsDoNotBounceTheFocus();
    void anotherWindowTakingActivationIsNotLeaving();
    void changedFollowsTheClearStep();

private:
    QLineEdit *fieldNamed(const QString &name) { return host->findChild<QLineEdit *>(name); }
    void focusInto(QLineEdit *field)
    {
        QTest::mouseClick(field, Qt::LeftButton);
        QCOMPARE(QApplication::focusWidget(), field);
    }

    std::unique_ptr<Host> host;
    std::unique_ptr<RecordingMessageBoxes> boxes;
};

void TestFieldRules::typing_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QList<Message>>("messages");

    const QList<Message> none;
    const QList<Message> octetKey{entryrules::octetKeyMessage()};
    const QList<Message> digitKey{entryrules::digitKeyMessage()};
    QTest::newRow("digits") << "ipAddEDC_0" << "192" << "192" << none;
    QTest::newRow("letter loses the digits before it") << "ipAddEDC_1" << "12a" << "" << octetKey;
    QTest::newRow("fourth digit refused silently") << "userIpAdd_3" << "1234" << "123" << none;
    QTest::newRow("letter in a full octet") << "userIpAdd_2" << "123a" << "123" << octetKey;
    QTest::newRow("blank") << "userIpAdd_0" << "1 " << "" << octetKey;
    QTest::newRow("counter letter") << "file" << "8x" << "" << digitKey;
    QTest::newRow("zero passes a counter") << "maxSize" << "0" << "0" << none;
    QTest::newRow("telephone sign") << "phone" << "91+" << "" << digitKey;
    QTest::newRow("symbol") << "userIpAdd_0" << "7@" << "" << octetKey;
    QTest::newRow("second digit of minSize refused") << "minSize" << "12" << "1" << none;
}

void TestFieldRules::typing()
{
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(QString, expected);
    QFETCH(QList<Message>, messages);

    QLineEdit *line = fieldNamed(field);
    QVERIFY(line);
    focusInto(line);
    QTest::keyClicks(line, typed);
    QCOMPARE(line->text(), expected);
    QCOMPARE(boxes->shown, messages);
}

void TestFieldRules::copyKeyLeavesTextUntilNextChange()
{
    QLineEdit *octet = host->edc->field(2);
    focusInto(octet);
    QTest::keyClicks(octet, "25");
    QTest::keyClick(octet, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(boxes->shown, QList<Message>{entryrules::octetKeyMessage()});
    QCOMPARE(octet->text(), QStringLiteral("25"));
    QVERIFY(host->rules->invalidKey);

    // Keys that type no character are not filtered; the deletion is a
    // change, and the pending refusal empties the field.
    QTest::keyClick(octet, Qt::Key_Home);
    QTest::keyClick(octet, Qt::Key_Delete);
    QCOMPARE(octet->text(), QString());
    QVERIFY(!host->rules->invalidKey);
    QCOMPARE(boxes->shown.size(), 1);
}

void TestFieldRules::pasteKeyEmptiesField()
{
    QApplication::clipboard()->setText(QStringLiteral("77"));
    focusInto(host->phone);
    QTest::keyClicks(host->phone, "91");
    QTest::keyClick(host->phone, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(boxes->shown, QList<Message>{entryrules::digitKeyMessage()});
    QCOMPARE(host->phone->text(), QString());
}

void TestFieldRules::keysThatTypeNoCharacterPass()
{
    QLineEdit *octet = host->user->field(1);
    focusInto(octet);
    QTest::keyClicks(octet, "42");
    for (Qt::Key key : {Qt::Key_Left, Qt::Key_Home, Qt::Key_End, Qt::Key_Insert, Qt::Key_F1})
        QTest::keyClick(octet, key);
    QTest::keyClick(octet, Qt::Key_Backspace);
    QCOMPARE(octet->text(), QStringLiteral("4"));
    QVERIFY(boxes->shown.isEmpty());
    QVERIFY(!host->rules->invalidKey);
}

void TestFieldRules::invalidKeyIsSharedByTheScreen()
{
    host->user->field(0)->setText(QStringLiteral("123"));
    focusInto(host->user->field(0));
    QTest::keyClick(host->user->field(0), Qt::Key_Return);
    QCOMPARE(boxes->shown, QList<Message>{entryrules::octetKeyMessage()});
    QCOMPARE(host->user->field(0)->text(), QStringLiteral("123"));

    // The next change anywhere on the screen pays for it.
    host->user->field(3)->setText(QStringLiteral("45"));
    QCOMPARE(host->user->field(3)->text(), QString());
    QCOMPARE(host->user->field(0)->text(), QStringLiteral("123"));

    // An accepted key clears the flag before it reaches another field.
    QTest::keyClick(host->user->field(0), Qt::Key_Return);
    focusInto(host->maxSize);
    QTest::keyClicks(host->maxSize, "12");
    QCOMPARE(host->maxSize->text(), QStringLiteral("12"));
}

void TestFieldRules::programChangeRunsClearStep()
{
    focusInto(host->minSize);
    QTest::keyClick(host->minSize, Qt::Key_Space);
    QCOMPARE(host->minSize->text(), QString());
    // The blank itself was the change that emptied the field; nothing is
    // left pending for the program's next assignment.
    host->edc->setOctets({QStringLiteral("10"), QStringLiteral("0"), QStringLiteral("0"),
                          QStringLiteral("1")});
    QCOMPARE(joinOctets(host->edc->octets()), QStringLiteral("10.0.0.1"));
}

void TestFieldRules::leaving_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<Message>>("messages");
    QTest::addColumn<bool>("focusBack");

    const QList<Message> none;
    const QList<Message> range{entryrules::octetRangeMessage()};
    const QList<Message> counter{entryrules::counterMessage()};
    QTest::newRow("settings octet 255") << "ipAddEDC_2" << "255" << none << false;
    QTest::newRow("settings octet 256") << "ipAddEDC_2" << "256" << range << true;
    QTest::newRow("settings octet empty") << "ipAddEDC_1" << "" << range << true;
    QTest::newRow("settings octet pasted junk") << "ipAddEDC_3" << "1.2" << range << true;
    QTest::newRow("subscriber octet empty") << "userIpAdd_1" << "" << none << false;
    QTest::newRow("subscriber octet 300") << "userIpAdd_3" << "300" << range << true;
    QTest::newRow("subscriber octet pasted junk") << "userIpAdd_0" << "ab" << range << true;
    QTest::newRow("minSize empty") << "minSize" << "" << counter << true;
    QTest::newRow("maxSize empty") << "maxSize" << "" << counter << false;
    QTest::newRow("counter 0") << "minSize" << "0" << none << false;
    QTest::newRow("telephone short")
        << "phone" << "12345678"
        << QList<Message>{{QStringLiteral("Error:Formato no válido"),
                           QStringLiteral("El número de teléfono debe contener entre 9 y 10 digitos."),
                           MessageIcon::Warning}}
        << true;
    QTest::newRow("telephone at minimum") << "phone" << "123456789" << none << false;
    QTest::newRow("file number empty") << "file" << "" << QList<Message>{entryrules::configFileMessage()}
                                       << true;
}

void TestFieldRules::leaving()
{
    QFETCH(QString, field);
    QFETCH(QString, text);
    QFETCH(QList<Message>, messages);
    QFETCH(bool, focusBack);

    QLineEdit *line = fieldNamed(field);
    QVERIFY(line);
    line->setText(text);
    focusInto(line);
    QTest::mouseClick(host->other, Qt::LeftButton);
    QCOMPARE(boxes->shown, messages);
    QCOMPARE(line->text(), text);
    QCOMPARE(QApplication::focusWidget(), focusBack ? static_cast<QWidget *>(line) : host->other);
}

void TestFieldRules::clickOutOfAnInvalidFieldIsDropped()
{
    int clicks = 0;
    connect(host->other, &QPushButton::clicked, this, [&] { ++clicks; });
    focusInto(host->maxSize); // empty: refused, but the focus goes on
    QTest::mouseClick(host->other, Qt::LeftButton);
    QCOMPARE(boxes->shown, QList<Message>{entryrules::counterMessage()});
    QCOMPARE(QApplication::focusWidget(), host->other);
    QCOMPARE(clicks, 0);

    QTest::qWait(0);
    QTest::mouseClick(host->other, Qt::LeftButton);
    QCOMPARE(clicks, 1);

    // A refused leave by Tab drops nothing.
    focusInto(host->minSize);
    QTest::keyClick(host->minSize, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), host->minSize);
    QTest::keyClicks(host->minSize, "9");
    QTest::mouseClick(host->other, Qt::LeftButton);
    QCOMPARE(clicks, 2);
    QCOMPARE(boxes->shown.size(), 2);
}

void TestFieldRules::twoInvalidFieldsDoNotBounceTheFocus()
{
    QLineEdit *first = host->edc->field(0);
    QLineEdit *second = host->edc->field(1);
    focusInto(first); // both empty, so both invalid
    QTest::keyClick(first, Qt::Key_Tab);
    QCOMPARE(boxes->shown, QList<Message>{entryrules::octetRangeMessage()});
    QCOMPARE(QApplication::focusWidget(), first);

    // Once the focus is back, leaving again is checked again.
    QTest::mouseClick(second, Qt::LeftButton);
    QCOMPARE(boxes->shown.size(), 2);
    QCOMPARE(QApplication::focusWidget(), first);
}

void TestFieldRules::anotherWindowTakingActivationIsNotLeaving()
{
    focusInto(host->edc->field(0));
    QWidget other;
    other.show();
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    host->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(host.get()));
    QCOMPARE(boxes->shown, QList<Message>());
    QCOMPARE(QApplication::focusWidget(), host->edc->field(0));
}

void TestFieldRules::changedFollowsTheClearStep()
{
    QStringList seen;
    connect(host->rules, &FieldRules::changed, this,
            [&](QLineEdit *field) { seen.append(field->objectName() + u'=' + field->text()); });
    focusInto(host->file);
    QTest::keyClicks(host->file, "5a");
    QCOMPARE(seen, (QStringList{"file=5", "file="}));
}

QTEST_MAIN(TestFieldRules)
#include "tst_fieldrules.moc"
