#pragma once

#include "shell/messageboxes.h"

#include <QList>
#include <QTest>
#include <functional>

// Stands in for the toolkit's message boxes in screen tests: records every
// box shown, answers from a queue (OK, or Yes when the queue is empty), and
// can run a test's action while the box is "open".
class RecordingMessageBoxes final : public MessageBoxes
{
public:
    RecordingMessageBoxes() { setMessageBoxes(this); }
    ~RecordingMessageBoxes() override { setMessageBoxes(nullptr); }

    MessageAnswer show(QWidget *, const Message &message) override
    {
        shown.append(message);
        if (whileOpen)
            whileOpen(message);
        if (message.buttons == MessageButtons::Ok)
            return MessageAnswer::Ok;
        return answers.isEmpty() ? MessageAnswer::Yes : answers.takeFirst();
    }

    Message last() const { return shown.isEmpty() ? Message() : shown.last(); }
    void clear() { shown.clear(); }

    QList<Message> shown;
    QList<MessageAnswer> answers;
    std::function<void(const Message &)> whileOpen;
};

// For QCOMPARE failure output.
inline char *toString(const Message &m)
{
    return QTest::toString(
        QStringLiteral("[%1 | %2 | icon %3 | buttons %4]").arg(m.title, m.text).arg(int(m.icon)).arg(int(m.buttons)));
}
