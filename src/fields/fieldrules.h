#pragma once

#include "shell/message.h"

#include <QHash>
#include <QObject>
#include <QPointer>

#include <functional>
#include <optional>

class DottedQuad;
class QLineEdit;
class QWidget;

// The entry rules of one screen's numeric fields, in three steps:
// - key filter: each typed character is tested before the field handles it;
//   a refused one shows the field's key message and sets invalidKey, yet the
//   field still processes the key;
// - clear step: on every change of a field's text (typed or set by the
//   program) a pending invalidKey empties that field;
// - leave check: when the user moves the focus elsewhere in the window, a
//   failing text shows its message and, for most fields, gets the focus back.
// invalidKey is shared by every field of the screen, as the rules require.
class FieldRules : public QObject
{
    Q_OBJECT
public:
    // Returns the message to show when the text may not be left as it is.
    using LeaveCheck = std::function<std::optional<Message>(const QString &text)>;

    enum class OctetLeave {
        RefuseEmpty, // service settings: every octet must be filled in
        AllowEmpty,  // subscriber screen: presence is tested at Save
    };

    explicit FieldRules(QWidget *screen);

    // A refused key waits to empty the next change of any field.
    bool invalidKey() const { return m_invalidKey; }
    void clearInvalidKey() { m_invalidKey = false; }

    void addOctets(DottedQuad *quad, OctetLeave leave);
    // minSize, maxSize, vciValue, vpiValue: not empty on leaving.
    void addCounter(QLineEdit *field, bool focusBack);
    // The subscriber's telephone: at least minSize characters, read at the
    // moment it is left; the two texts are the settings' own and must
    // outlive the field.
    void addPhoneNumber(QLineEdit *field, const QString &minSize, const QString &maxSize);
    // The transfer screen's telephone, which names the file to load: not empty.
    void addFileNumber(QLineEdit *field);
    // The general form the others are made of.
    void add(QLineEdit *field, const Message &keyMessage, LeaveCheck leaveCheck, bool focusBack);

signals:
    // After the clear step of every change, whether or not it emptied the
    // field. Read field->text(): it is the final text.
    void changed(QLineEdit *field);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Member
    {
        Message keyMessage;
        LeaveCheck leaveCheck;
        bool focusBack = true;
    };

    void keyTyped(QLineEdit *field, const Member &member, int code);
    void textChanged(QLineEdit *field);
    void leaving(QLineEdit *field, const Member &member, Qt::FocusReason reason);
    bool swallowClick(QObject *watched, QEvent *event);
    void dropClickTarget();

    QWidget *m_screen;
    bool m_invalidKey = false;
    QHash<const QObject *, Member> m_members;
    // The field whose focus is being put back. Until it has the focus again
    // no other field runs its leave check, or two invalid fields would keep
    // sending the focus to each other.
    QPointer<QLineEdit> m_returningTo;
    bool m_clearing = false;
    // The widget whose pending click is dropped after a refused leave.
    QPointer<QWidget> m_clickTarget;
};
