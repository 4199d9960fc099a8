#include "fields/fieldrules.h"

#include "fields/dottedquad.h"
#include "fields/entryrules.h"
#include "shell/messageboxes.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTimer>

namespace {

// The leave check of a field whose text either passes or shows its message.
template<typename Passes, typename Failure>
FieldRules::LeaveCheck passesOr(Passes passes, Failure failure)
{
    return [passes, failure](const QString &text) -> std::optional<Message> {
        if (passes(text))
            return std::nullopt;
        return failure();
    };
}

} // namespace

FieldRules::FieldRules(QWidget *screen)
    : QObject(screen)
    , m_screen(screen)
{
}

void FieldRules::addOctets(DottedQuad *quad, OctetLeave leave)
{
    const auto passes = leave == OctetLeave::RefuseEmpty ? entryrules::settingsOctetPasses
                                                         : entryrules::subscriberOctetPasses;
    for (int i = 0; i < 4; ++i) {
        add(quad->field(i), entryrules::octetKeyMessage(),
            passesOr(passes, entryrules::octetRangeMessage), true);
    }
}

void FieldRules::addCounter(QLineEdit *field, bool focusBack)
{
    add(field, entryrules::digitKeyMessage(),
        passesOr(entryrules::counterPasses, entryrules::counterMessage), focusBack);
}

void FieldRules::addPhoneNumber(QLineEdit *field, const QString &minSize, const QString &maxSize)
{
    const QString *min = &minSize;
    const QString *max = &maxSize;
    const auto passes = [min](const QString &text) { return entryrules::phoneLengthPasses(text, *min); };
    const auto failure = [min, max] { return entryrules::phoneLengthMessage(*min, *max); };
    add(field, entryrules::digitKeyMessage(), passesOr(passes, failure), true);
}

void FieldRules::addFileNumber(QLineEdit *field)
{
    add(field, entryrules::digitKeyMessage(),
        passesOr(entryrules::fileNumberPasses, entryrules::configFileMessage), true);
}

void FieldRules::add(QLineEdit *field, const Message &keyMessage, LeaveCheck leaveCheck,
                     bool focusBack)
{
    m_members.insert(field, Member{keyMessage, std::move(leaveCheck), focusBack});
    field->installEventFilter(this);
    connect(field, &QLineEdit::textChanged, this, [this, field] { textChanged(field); });
    connect(field, &QObject::destroyed, this, [this](QObject *gone) { m_members.remove(gone); });
}

bool FieldRules::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_clickTarget && swallowClick(watched, event))
        return true;
    const auto found = m_members.constFind(watched);
    if (found == m_members.constEnd())
        return false;
    // A copy: the message box shown below may add or drop fields.
    const Member member = *found;
    // A field being destroyed is a QLineEdit no more; its last events (the
    // focus loss of its teardown, Destroy) must run no rule on it.
    auto *field = qobject_cast<QLineEdit *>(watched);
    if (!field || event->type() == QEvent::Destroy) {
        m_members.remove(watched);
        return false;
    }

    switch (event->type()) {
    case QEvent::KeyPress: {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (const auto code = entryrules::typedCharCode(key->key(), key->modifiers(), key->text()))
            keyTyped(field, member, *code);
        break;
    }
    case QEvent::FocusIn: {
        const auto reason = static_cast<QFocusEvent *>(event)->reason();
        // Coming back into the window is not a move of the user's: the field
        // that had the focus before the message box gets it back first.
        if (field == m_returningTo
            || (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason))
            m_returningTo = nullptr;
        break;
    }
    case QEvent::FocusOut: {
        const auto reason = static_cast<QFocusEvent *>(event)->reason();
        // A message box or another window taking the activation is not
        // leaving the field.
        if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason)
            break;
        if (m_returningTo || !field->isVisible())
            break;
        leaving(field, member, reason);
        break;
    }
    default:
        break;
    }
    // The field always processes the key itself, refused or not.
    return false;
}

bool FieldRules::swallowClick(QObject *watched, QEvent *event)
{
    Q_UNUSED(watched);
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseButtonRelease:
        return true;
    default:
        return false;
    }
}

void FieldRules::dropClickTarget()
{
    // A field of ours keeps the filter its rules need.
    if (m_clickTarget && !m_members.contains(m_clickTarget.data()))
        m_clickTarget->removeEventFilter(this);
    m_clickTarget = nullptr;
}

void FieldRules::keyTyped(QLineEdit *field, const Member &member, int code)
{
    if (entryrules::keyPasses(code)) {
        m_invalidKey = false;
        return;
    }
    showMessage(field->window(), member.keyMessage);
    m_invalidKey = true;
}

void FieldRules::textChanged(QLineEdit *field)
{
    if (m_clearing)
        return;
    if (m_invalidKey) {
        // The digits typed before the refused key go with it.
        m_invalidKey = false;
        m_clearing = true;
        field->clear();
        m_clearing = false;
    }
    emit changed(field);
}

void FieldRules::leaving(QLineEdit *field, const Member &member, Qt::FocusReason reason)
{
    const std::optional<Message> failure = member.leaveCheck(field->text());
    if (!failure)
        return;
    // The press that moved the focus reaches its widget after this check.
    QWidget *target = QApplication::focusWidget();
    if (reason == Qt::MouseFocusReason && target && target != field) {
        dropClickTarget();
        m_clickTarget = target;
        if (!m_members.contains(target))
            target->installEventFilter(this);
        // Only the click under way: a press that never comes must not cost
        // a later one.
        QTimer::singleShot(0, this, [this, target] {
            if (m_clickTarget == target)
                dropClickTarget();
        });
    }
    QPointer<QLineEdit> guard(field);
    showMessage(field->window(), *failure);
    if (!member.focusBack || !guard || !field->isVisible())
        return;
    if (field->hasFocus())
        return;
    m_returningTo = field;
    field->setFocus(Qt::OtherFocusReason);
    // In an inactive window the focus lands when the window is activated
    // again; the guard is then dropped by that FocusIn.
}
