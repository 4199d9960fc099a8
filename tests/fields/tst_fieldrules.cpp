#include "screenfixture.h"

#include <QClipboard>
#include <QPushButton>
#include <QRegularExpression>

// The entry fields' key and leave rules, on the screens that hold them.

namespace {

const Message octetKey{"Error: Formato no válido", "Sólo se permite introducir números entre 0 y 9", MessageIcon::Warning};
const Message digitKey{"Formato no válido", "Introduzca dígitos comprendidos entre 1 y 9 (ambos inclusive)",
                       MessageIcon::Warning};
const Message range{"Formato no válido", "Se debe introducir un número entre 0 y 255", MessageIcon::Critical};
const Message counter{"Formato no válido", "Introduzca un valor entre 1 y 99 (ambos inclusive)", MessageIcon::Warning};
const Message shortPhone{"Error:Formato no válido", "El número de teléfono debe contener entre 9 y 9 digitos.",
                         MessageIcon::Warning};
const Message noFile{"Error", "Introduzca un fichero de configuración.", MessageIcon::Warning};

} // namespace

class TestFieldRules : public ScreenTest
{
    Q_OBJECT

private slots:
    void init() { f = std::make_unique<Fixture>(); }
    void cleanup() { f.reset(); }

    // Real key events on a field that first holds "text": "<...>" is a key by
    // name, "<click>" a click on another field, the rest typed characters.
    void keys_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QList<Message>>("messages");
        QTest::addColumn<bool>("focusBack");
        // Every field of every screen: a letter shows the field's key message
        // and empties it; then Tab leaves it empty.
        const auto letter = [](const QString &field, const QList<Message> &messages, bool focusBack) {
            QTest::newRow(qPrintable(field.section('/', -1))) << field << "" << "a<Tab>" << "" << messages << focusBack;
        };
        for (const char *field : {"ipAddEDC_1", "maskAddEDC_2", "ipAddDNS_3"})
            letter(field, {octetKey, range}, true);
        for (const char *field : {"minSize", "vciValue", "vpiValue"})
            letter(field, {digitKey, counter}, true);
        letter("maxSize", {digitKey, counter}, false);
        for (const char *field : {"userIpAdd_0", "userMaskAdd_1", "modEtherIpAdd_2", "modEtherMaskAdd_3"})
            letter(QString("modemNokiaConf/") + field, {octetKey}, false);
        letter("modemNokiaConf/userPhoneNumValue", {digitKey, shortPhone}, true);
        letter("inputFromModem/userPhoneNumberValue", {digitKey, noFile}, true);

        // Keys alone: the focus stays.
        const auto typed = [](const char *row, const QString &field, const char *keys, const char *expected,
                              const QList<Message> &messages) {
            QTest::newRow(row) << field << "" << keys << expected << messages << true;
        };
        typed("digits", "ipAddEDC_0", "192", "192", {});
        typed("letter loses the digits before it", "ipAddEDC_1", "12a", "", {octetKey});
        typed("fourth digit refused silently", "modemNokiaConf/userIpAdd_3", "1234", "123", {});
        typed("copy alone changes nothing", "ipAddEDC_2", "25<Ctrl+C>", "25", {octetKey});
        typed("paste", "modemNokiaConf/userPhoneNumValue", "91<Ctrl+V>", "", {digitKey});
        typed("keys typing nothing pass", "modemNokiaConf/userIpAdd_1", "42<Left><Home><End><Ins><F1><Backspace>", "4", {});

        // Leaving by a click elsewhere.
        const auto left = [](const char *row, const QString &field, const char *text, const QList<Message> &messages) {
            QTest::newRow(row) << field << text << "<click>" << text << messages << !messages.isEmpty();
        };
        left("settings octet 255", "ipAddEDC_2", "255", {});
        left("settings octet 256", "ipAddEDC_2", "256", {range});
        left("subscriber octet 300", "modemNokiaConf/userIpAdd_3", "300", {range});
        left("counter 0", "minSize", "0", {});
        left("telephone short", "modemNokiaConf/userPhoneNumValue", "12345678", {shortPhone});
        left("telephone at minimum", "modemNokiaConf/userPhoneNumValue", "123456789", {});
    }

    void keys()
    {
        QFETCH(QString, field);
        QFETCH(QString, text);
        QFETCH(QString, keys);
        QFETCH(QString, expected);
        QFETCH(QList<Message>, messages);
        QFETCH(bool, focusBack);
        QApplication::clipboard()->setText("77");
        QLineEdit *line = showField(field);
        QVERIFY(line);
        QWidget *other = line->window()->findChild<QLineEdit *>(field.startsWith("modem") ? "userMaskAdd_0" : "vciValue");
        line->setText(text);
        focusInto(line);
        static const QRegularExpression token("<([^>]+)>|[^<]+");
        for (const QRegularExpressionMatch &m : token.globalMatch(keys)) {
            const QKeySequence key(m.captured(1));
            if (m.captured(1) == "click")
                click(other);
            else if (key.isEmpty())
                QTest::keyClicks(line, m.captured(0));
            else
                QTest::keySequence(line, key);
        }
        QCOMPARE(line->text(), expected);
        QCOMPARE(f->boxes.shown, messages);
        QCOMPARE(QApplication::focusWidget() == line, focusBack);
    }

    void aRefusedKeyEmptiesTheNextChangeAnywhere()
    {
        QLineEdit *full = showField("ipAddEDC_0");
        full->setText("123");
        focusInto(full);
        QTest::keyClick(full, Qt::Key_Return); // refused; the field does not change
        QCOMPARE(f->boxes.shown, QList<Message>{octetKey});
        QWidget *s = full->window();
        line(s, "ipAddDNS_3")->setText("45");
        QCOMPARE(line(s, "ipAddDNS_3")->text(), QString());
        QCOMPARE(f->settings.ipAddDNS[3], QString());
        QCOMPARE(f->settings.ipAddEDC[0], QString("123"));

        // Paid once: the program's next assignments stay.
        quadOf(s, "maskAddEDC")->setOctets({"255", "0", "0", "0"});
        QCOMPARE(joinOctets(f->settings.maskAddEDC), QString("255.0.0.0"));

        // An accepted key clears a pending refusal before it reaches a field.
        QLineEdit *maxSize = line(s, "maxSize");
        maxSize->clear();
        QTest::keyClick(full, Qt::Key_Return);
        focusInto(maxSize);
        QTest::keyClicks(maxSize, "12");
        QCOMPARE(maxSize->text(), QString("12"));
    }

    void clickOutOfAnInvalidFieldIsDropped()
    {
        QLineEdit *maxSize = showField("maxSize"); // empty: refused, but the focus goes on
        QPushButton *save = child<QPushButton>(maxSize->window(), "Save");
        QSignalSpy clicks(save, &QPushButton::clicked);
        focusInto(maxSize);
        click(save);
        QCOMPARE(QApplication::focusWidget(), save);
        QCOMPARE(clicks.size(), 0);
        QTest::qWait(0);
        click(save); // refused for the empty maximum, the focus to minSize
        QCOMPARE(clicks.size(), 1);

        // A refused leave by Tab drops nothing.
        QLineEdit *minSize = line(maxSize->window(), "minSize");
        QCOMPARE(QApplication::focusWidget(), minSize);
        minSize->clear();
        QTest::keyClick(minSize, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), minSize);
        QTest::keyClicks(minSize, "9");
        click(save);
        QCOMPARE(clicks.size(), 2);
        QCOMPARE(f->boxes.shown.size(), 4);
        QCOMPARE(f->boxes.shown[0], counter);
        QCOMPARE(f->boxes.shown[2], counter);
    }

    // Another window taking the activation is no leave. Tab into a field
    // that is invalid too brings the focus back without a bounce, and
    // leaving again is checked again.
    void leavingAnEmptyOctet()
    {
        QLineEdit *first = showField("ipAddEDC_0");
        line(first->window(), "ipAddEDC_1")->clear(); // it and the next are empty, so both invalid
        focusInto(first);
        QWidget other;
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        first->window()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(first->window()));
        QCOMPARE(f->boxes.shown, QList<Message>());
        QCOMPARE(QApplication::focusWidget(), first);

        QTest::keyClick(first, Qt::Key_Tab);
        QCOMPARE(f->boxes.shown, QList<Message>{range});
        QCOMPARE(QApplication::focusWidget(), first);
        click(first->window(), "ipAddEDC_1");
        QCOMPARE(f->boxes.shown.size(), 2);
        QCOMPARE(QApplication::focusWidget(), first);
    }
};

QTEST_MAIN(TestFieldRules)
#include "tst_fieldrules.moc"
