#include "fields/dottedquad.h"
#include "fields/entryrules.h"
#include "fields/fieldrules.h"
#include "settings/servicesettings.h"

#include "recordingmessageboxes.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QVBoxLayout>
#include <QtTest>

using namespace entryrules;

// A window with one field of every kind, under one set of rules.
class Host : public QWidget
{
public:
    Host()
    {
        settings.minSize = "9";
        settings.maxSize = "10";
        auto *layout = new QVBoxLayout(this);
        // First in the focus chain, so that activation lands on no field.
        other = new QPushButton("other", this);
        edc = new DottedQuad("ipAddEDC", this);
        user = new DottedQuad("userIpAdd", this);
        for (QWidget *w : std::initializer_list<QWidget *>{edc, user, line("minSize", 1), line("maxSize", 2),
                                                           line("phone", 10), line("file", 0), other})
            layout->addWidget(w);
        rules = new FieldRules(this);
        rules->addOctets(edc, FieldRules::OctetLeave::RefuseEmpty);
        rules->addOctets(user, FieldRules::OctetLeave::AllowEmpty);
        rules->addCounter(field("minSize"), true);
        rules->addCounter(field("maxSize"), false);
        rules->addPhoneNumber(field("phone"), settings);
        rules->addFileNumber(field("file"));
    }
    QLineEdit *field(const QString &name) const { return findChild<QLineEdit *>(name); }

    ServiceSettings settings;
    DottedQuad *edc;
    DottedQuad *user;
    QPushButton *other;
    FieldRules *rules;

private:
    QLineEdit *line(const char *name, int maxLength)
    {
        auto *line = new QLineEdit(this);
        line->setObjectName(name);
        if (maxLength > 0)
            line->setMaxLength(maxLength);
        return line;
    }
};

class TestFieldRules : public QObject
{
    Q_OBJECT

    std::unique_ptr<Host> host;
    std::unique_ptr<RecordingMessageBoxes> boxes;

    void focusInto(QLineEdit *field)
    {
        QTest::mouseClick(field, Qt::LeftButton);
        QCOMPARE(QApplication::focusWidget(), field);
    }

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

    // Real key events; "<...>" is a key by name, the rest typed characters.
    void typing_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QList<Message>>("messages");
        const QList<Message> none, octetKey{octetKeyMessage()}, digitKey{digitKeyMessage()};
        QTest::newRow("digits") << "ipAddEDC_0" << "192" << "192" << none;
        QTest::newRow("letter loses the digits before it") << "ipAddEDC_1" << "12a" << "" << octetKey;
        QTest::newRow("fourth digit refused silently") << "userIpAdd_3" << "1234" << "123" << none;
        QTest::newRow("letter in a full octet") << "userIpAdd_2" << "123a" << "123" << octetKey;
        QTest::newRow("blank") << "userIpAdd_0" << "1 " << "" << octetKey;
        QTest::newRow("second digit of minSize refused") << "minSize" << "12" << "1" << none;
        QTest::newRow("copy, then a deletion empties") << "ipAddEDC_2" << "25<Ctrl+C><Home><Del>" << "" << octetKey;
        QTest::newRow("copy alone changes nothing") << "ipAddEDC_2" << "25<Ctrl+C>" << "25" << octetKey;
        QTest::newRow("paste") << "phone" << "91<Ctrl+V>" << "" << digitKey;
        QTest::newRow("keys typing nothing pass")
            << "userIpAdd_1" << "42<Left><Home><End><Ins><F1><Backspace>" << "4" << none;
    }
    void typing()
    {
        QFETCH(QString, field);
        QFETCH(QString, keys);
        QFETCH(QString, expected);
        QFETCH(QList<Message>, messages);
        QApplication::clipboard()->setText("77");
        QLineEdit *line = host->field(field);
        focusInto(line);
        static const QRegularExpression token("<([^>]+)>|[^<]+");
        for (const QRegularExpressionMatch &m : token.globalMatch(keys)) {
            const QKeySequence key(m.captured(1));
            QVERIFY2(m.captured(1).isEmpty() || !key.isEmpty(), qPrintable(m.captured(1)));
            if (key.isEmpty())
                QTest::keyClicks(line, m.captured(0));
            else
                QTest::keySequence(line, key);
        }
        QCOMPARE(line->text(), expected);
        QCOMPARE(boxes->shown, messages);
    }

    void aRefusedKeyEmptiesTheNextChangeAnywhere()
    {
        QStringList seen;
        connect(host->rules, &FieldRules::changed, this, [&](QLineEdit *f) { seen << f->objectName() + '=' + f->text(); });
        QLineEdit *full = host->user->field(0);
        full->setText("123");
        focusInto(full);
        QTest::keyClick(full, Qt::Key_Return); // refused; the field does not change
        QCOMPARE(boxes->shown, QList<Message>{octetKeyMessage()});
        host->user->field(3)->setText("45");
        QCOMPARE(host->user->field(3)->text(), QString());
        QCOMPARE(full->text(), QString("123"));
        QCOMPARE(seen, (QStringList{"userIpAdd_0=123", "userIpAdd_3="})); // after the clear step

        // Paid once: the program's next assignments stay.
        host->edc->setOctets({"10", "0", "0", "1"});
        QCOMPARE(joinOctets(host->edc->octets()), QString("10.0.0.1"));

        // An accepted key clears a pending refusal before it reaches a field.
        QTest::keyClick(full, Qt::Key_Return);
        focusInto(host->field("maxSize"));
        QTest::keyClicks(host->field("maxSize"), "12");
        QCOMPARE(host->field("maxSize")->text(), QString("12"));
    }

    void leaving_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<Message>>("messages");
        QTest::addColumn<bool>("focusBack");
        const QList<Message> none, range{octetRangeMessage()};
        QTest::newRow("settings octet 255") << "ipAddEDC_2" << "255" << none << false;
        QTest::newRow("settings octet 256") << "ipAddEDC_2" << "256" << range << true;
        QTest::newRow("settings octet pasted junk") << "ipAddEDC_3" << "1.2" << range << true;
        QTest::newRow("subscriber octet 300") << "userIpAdd_3" << "300" << range << true;
        QTest::newRow("subscriber octet pasted junk") << "userIpAdd_0" << "ab" << range << true;
        QTest::newRow("counter 0") << "minSize" << "0" << none << false;
        QTest::newRow("telephone short")
            << "phone" << "12345678"
            << QList<Message>{{"Error:Formato no válido", "El número de teléfono debe contener entre 9 y 10 digitos.",
                               MessageIcon::Warning}}
            << true;
        QTest::newRow("telephone at minimum") << "phone" << "123456789" << none << false;
        QTest::newRow("file number empty") << "file" << "" << QList<Message>{configFileMessage()} << true;
    }
    void leaving()
    {
        QFETCH(QString, field);
        QFETCH(QString, text);
        QFETCH(QList<Message>, messages);
        QFETCH(bool, focusBack);
        QLineEdit *line = host->field(field);
        line->setText(text);
        focusInto(line);
        QTest::mouseClick(host->other, Qt::LeftButton);
        QCOMPARE(boxes->shown, messages);
        QCOMPARE(line->text(), text);
        QCOMPARE(QApplication::focusWidget(), focusBack ? static_cast<QWidget *>(line) : host->other);
    }

    void clickOutOfAnInvalidFieldIsDropped()
    {
        int clicks = 0;
        connect(host->other, &QPushButton::clicked, this, [&] { ++clicks; });
        focusInto(host->field("maxSize")); // empty: refused, but the focus goes on
        QTest::mouseClick(host->other, Qt::LeftButton);
        QCOMPARE(QApplication::focusWidget(), host->other);
        QCOMPARE(clicks, 0);
        QTest::qWait(0);
        QTest::mouseClick(host->other, Qt::LeftButton);
        QCOMPARE(clicks, 1);

        // A refused leave by Tab drops nothing.
        focusInto(host->field("minSize"));
        QTest::keyClick(host->field("minSize"), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), host->field("minSize"));
        QTest::keyClicks(host->field("minSize"), "9");
        QTest::mouseClick(host->other, Qt::LeftButton);
        QCOMPARE(clicks, 2);
        QCOMPARE(boxes->shown, (QList<Message>{counterMessage(), counterMessage()}));
    }

    void twoInvalidFieldsDoNotBounceTheFocus()
    {
        QLineEdit *first = host->edc->field(0);
        focusInto(first); // it and the next are empty, so both invalid
        QTest::keyClick(first, Qt::Key_Tab);
        QCOMPARE(boxes->shown, QList<Message>{octetRangeMessage()});
        QCOMPARE(QApplication::focusWidget(), first);

        // Once the focus is back, leaving again is checked again.
        QTest::mouseClick(host->edc->field(1), Qt::LeftButton);
        QCOMPARE(boxes->shown.size(), 2);
        QCOMPARE(QApplication::focusWidget(), first);
    }

    void anotherWindowTakingActivationIsNotLeaving()
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
};

QTEST_MAIN(TestFieldRules)
#include "tst_fieldrules.moc"
