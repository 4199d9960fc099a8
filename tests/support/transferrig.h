#pragma once

#include "loader/transferdialogue.h"
#include "loader/transferlog.h"

#include "fakeseriallink.h"
#include "virtualtimersource.h"
#include "workdir.h"

#include <optional>

using Times = QList<std::pair<qint64, bool>>;
using Writes = QList<std::pair<qint64, QByteArray>>;

// Every line of a whole transfer of a generated script (the four fixed
// lines, then commands) with its send time from the port's opening.
inline Writes schedule(int lines, const QString &current, const QString &next)
{
    Writes out;
    qint64 t = 0;
    for (const QString &line : {QString(), QString(), QStringLiteral("admin"), current,
                                QStringLiteral("conf"), QStringLiteral("password"),
                                "admin " + next, QStringLiteral("top"), QStringLiteral("quit")}) {
        out.append({t, line.toLatin1() + '\r'});
        t += 4000;
    }
    t += 8000;
    const QList<QByteArray> fixed{"restore config default", "restart", "admin", next.toLatin1()};
    for (int i = 0; i < lines; ++i) {
        out.append({t, (i < 4 ? fixed[i] : "set command " + QByteArray::number(i)) + '\r'});
        t += (i == 1) ? 40000 : 4000;
    }
    return out;
}

// The dialogue over a fake link in virtual time, in a fresh folder holding
// the script of 912345678, with what it tells the screen recorded.
struct Rig
{
    WorkDir dir;
    VirtualTimerSource clock;
    FakeSerialLink link{&clock};
    TransferLog log;
    LogFile logged;
    TransferDialogue dialogue{link, clock, log, logged};
    QList<Message> failures;
    Times finished;
    Times stopButton;
    int runs = 0;         // loads begun
    bool running = false; // as last said
    bool stopAllowed = false;
    bool fast = false;

    explicit Rig(int lines)
    {
        QByteArray bytes;
        for (const auto &[time, line] : schedule(lines, "", "*****").mid(9))
            bytes += line + '\n';
        QDir().mkpath(QStringLiteral("configuraciones"));
        QVERIFY(writeBytes(QStringLiteral("configuraciones/912345678.cfg"), bytes));

        QObject::connect(&dialogue, &TransferDialogue::failed, [this](const Message &m) { failures << m; });
        QObject::connect(&dialogue, &TransferDialogue::finished,
                         [this](bool stopped) { finished.append({clock.now(), stopped}); });
        QObject::connect(&dialogue, &TransferDialogue::runningChanged, [this](bool on) { runs += (running = on); });
        QObject::connect(&dialogue, &TransferDialogue::stopAllowedChanged, [this](bool allowed) {
            stopAllowed = allowed;
            stopButton.append({clock.now(), allowed});
        });
    }

    // prepare + begin, as the screen does once the power-cycle box is closed.
    std::optional<Message> start(const QString &current, const QString &next,
                                 const QString &number = "912345678")
    {
        if (std::optional<Message> failure = dialogue.prepare({number, 3, current, next, fast}))
            return failure;
        if (std::optional<Message> failure = dialogue.begin())
            return failure;
        return failures.isEmpty() ? std::nullopt : std::optional(failures[0]);
    }
};
