#pragma once

// What the modem's answers tell about its console. A fast load sends its
// next line once the modem shows again a text that means it waits for
// input; every load ends when the modem shows it did not take the login.
//
// Those texts are not known beforehand: each is learned from what the modem
// did, unless the installer pinned it in adslconf.ini. What the modem is
// expected to show next follows from what was sent, not from its answer.
// Whatever is not sure counts as not ready: the line then waits its fixed
// wait, so a load is never worse off than on the fixed schedule.
//   - login prompt: the same text answering two empty lines in a row, or the
//     text a user name was typed at, read at once and answered with another
//     text. Boot output, which comes by itself, is never an answer;
//   - password question: the first answer to a user name, once the modem
//     has shown that it reads what is sent (an echo, or a login prompt);
//   - command prompt: the first answer to the password, and any text a
//     command line met at its fixed wait, once the modem has read the next
//     line typed at it at once (without echo: once it shows it again). A
//     text at which a typed line was echoed only after other output was
//     shown while the modem worked: it is never a prompt.
// A console whose answer to a user name differs from its login prompt tells
// its states apart: its login prompt or password question in answer to the
// password means the login was refused. A console with one prompt for
// everything is never judged refused.

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
    // quiet. Learns from the answer; a fixed load calls it too, for what
    // refused() needs, and ignores the result.
    bool answered(qint64 now);
    // The line's fixed wait ran out unanswered: a command prompt the modem
    // now shows may be one of another node.
    void waitedOut(qint64 now);
    // The last line went at the password question, and the modem shows its
    // login prompt or asks for a password again. At a line's deadline the
    // text counts as it stands; otherwise only once the modem has gone quiet.
    bool refused(qint64 now, bool atDeadline = false) const;

private:
    enum class Console { AtLogin, AtPassword, LoggedIn };

    QList<QByteArray> &known(Kind kind) { return m_known[int(kind)]; }
    const QList<QByteArray> &known(Kind kind) const { return m_known[int(kind)]; }
    bool quietTail(qint64 now, qint64 quiet) const;
    bool statesApart() const;
    bool loggedOut(const QByteArray &text) const;
    bool accept(const QByteArray &text);
    void lineEnded(bool first);
    void promoteCandidate();

    ReadinessTimings m_timings;
    bool m_pinned[3]{};
    QList<QByteArray> m_known[3];
    QList<QByteArray> m_notPrompts; // shown while the modem worked
    QByteArray m_candidate;         // a command prompt not yet proven
    qint64 m_candidateLine = 0;     // met as the answer to this line
    qint64 m_lines = 0;             // sent so far
    Console m_console = Console::AtLogin;
    Console m_typedIn = Console::AtLogin; // where the last line went, as the lines tell
    Kind m_expected = Kind::Login;
    bool m_waiting = false;    // a line went out and is not yet answered
    bool m_restarting = false; // after "restart" only a known login prompt counts
    bool m_awake = false;      // the modem has shown it reads what is sent since it started
    bool m_echoes = false;     // the console echoes what it reads
    bool m_output = false;     // anything at all arrived since the send
    bool m_lineBreak = false;  // ...and a line break among it
    bool m_echoed = false;     // the first line that came was the line's echo
    bool m_echoLate = false;   // ...or a later one
    QByteArray m_line;         // the line last sent
    QByteArray m_typedAt;      // what the modem showed, quiet, when it went
    QByteArray m_tail;         // after the last line break, as a terminal shows it
    qint64 m_lastArrival = 0;
};
