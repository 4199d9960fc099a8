#pragma once

// When a fast load may send its next line: the modem has answered the last
// one and shows again a text that means it waits for input. Those texts are
// not known beforehand: each is learned from the modem's first answer of its
// kind, unless the installer pinned it in adslconf.ini. What the modem is
// expected to show next follows from what was sent, not from its answer.

#include <QByteArray>
#include <QList>
#include <QtGlobal>

struct ReadinessTimings
{
    qint64 readyQuiet = 150; // after a known text, before the line counts as answered
    qint64 learnQuiet = 600; // after an unknown text, before it is taken as a new one
};

class ModemReadiness
{
public:
    enum class Kind { Login, Password, Command };
    // Empty: learned from the modem.
    struct Pinned
    {
        QByteArray login;
        QByteArray password;
        QByteArray command;
    };
    static constexpr int maxCommandPrompts = 8;

    explicit ModemReadiness(ReadinessTimings timings = {}, Pinned pinned = {});

    void sent(const QByteArray &line, qint64 now);
    void received(const QByteArray &bytes, qint64 now);
    // True once per line: its answer was recognised and the modem has gone
    // quiet. May learn the text it recognised.
    bool answered(qint64 now);
    // The line's fixed wait ran out unanswered: a command prompt the modem
    // now shows is kept, so the next line in that node is fast.
    void waitedOut(qint64 now);

private:
    enum class Console { AtLogin, AtPassword, LoggedIn };

    bool quietTail(qint64 now, qint64 quiet) const;
    bool learnable(qint64 now) const;
    bool knownElsewhere(const QByteArray &text) const;

    ReadinessTimings m_timings;
    bool m_pinned[3]{};
    QList<QByteArray> m_known[3];
    Console m_console = Console::AtLogin;
    Kind m_expected = Kind::Login;
    bool m_waiting = false;   // a line went out and is not yet answered
    bool m_restarting = false; // after "restart" only a known login prompt counts
    bool m_output = false;    // anything at all arrived since the send
    bool m_lineBreak = false; // ...and a line break among it
    QByteArray m_tail;        // after the last line break, as a terminal shows it
    qint64 m_lastArrival = 0;
};
