#include "loader/modemreadiness.h"

#include <utility>

namespace {

// A terminal line holds far less; a longer run of bytes without a break is
// never a prompt.
constexpr qsizetype maxTail = 256;
// Texts met that were no prompt; a console shows a few kinds at most.
constexpr qsizetype maxNotPrompts = 8;

QByteArray withoutTrailingBlanks(QByteArray text)
{
    while (!text.isEmpty() && (text.back() == ' ' || text.back() == '\t'))
        text.chop(1);
    return text;
}

} // namespace

ModemReadiness::ModemReadiness(ReadinessTimings timings, Pinned pinned) : m_timings(timings)
{
    const QByteArray texts[] = {pinned.login, pinned.password, pinned.command};
    for (int kind = 0; kind < 3; ++kind) {
        const QByteArray text = withoutTrailingBlanks(texts[kind]);
        m_pinned[kind] = !text.isEmpty();
        if (m_pinned[kind])
            m_known[kind].append(text);
    }
}

void ModemReadiness::sent(const QByteArray &line, qint64 now)
{
    // Only a text the modem showed and then kept quiet at is one it waits at.
    m_typedAt = quietTail(now, m_timings.readyQuiet) ? withoutTrailingBlanks(m_tail) : QByteArray();
    m_typedIn = m_console;
    ++m_lines;
    m_restarting = false;
    m_line = withoutTrailingBlanks(line);
    switch (m_console) {
    case Console::AtLogin:
        // An empty line asks the login prompt again; anything else is a user.
        m_expected = m_line.isEmpty() ? Kind::Login : Kind::Password;
        m_console = m_line.isEmpty() ? Console::AtLogin : Console::AtPassword;
        break;
    case Console::AtPassword:
        m_expected = Kind::Command;
        m_console = Console::LoggedIn;
        break;
    case Console::LoggedIn:
        m_restarting = m_line == "restart";
        if (m_restarting || m_line == "logout") {
            m_expected = Kind::Login;
            m_console = Console::AtLogin;
        } else {
            m_expected = Kind::Command;
        }
        break;
    }
    if (m_restarting)
        m_awake = false;
    m_waiting = true;
    m_output = false;
    m_lineBreak = false;
    m_echoed = false;
    m_echoLate = false;
    m_tail.clear();
    m_lastArrival = now;
}

void ModemReadiness::received(const QByteArray &bytes, qint64 now)
{
    if (bytes.isEmpty())
        return;
    m_output = true;
    m_lastArrival = now;
    for (const char c : bytes) {
        if (c == '\r' || c == '\n') {
            lineEnded(!std::exchange(m_lineBreak, true));
            m_tail.clear();
        } else if (c == '\b') {
            m_tail.chop(1);
        } else if (c != '\0' && m_tail.size() < maxTail) {
            m_tail.append(c);
        }
    }
}

// Each line that came after a line was sent; the first is its echo if the
// modem read it at once.
void ModemReadiness::lineEnded(bool first)
{
    if (m_line.isEmpty() || m_echoed || m_echoLate)
        return;
    const bool echo = withoutTrailingBlanks(m_tail).endsWith(m_line);
    if (first) {
        m_echoed = echo;
        if (echo)
            m_echoes = m_awake = true;
        if (echo && !m_typedAt.isEmpty() && m_typedAt == m_candidate)
            promoteCandidate();
        return;
    }
    // Its echo came only after other output: what it was typed at was shown
    // while the modem worked. A masked or garbled echo proves nothing.
    m_echoLate = echo;
    if (!echo || !m_echoes || m_typedAt.isEmpty() || m_pinned[int(Kind::Command)]
        || m_typedIn != Console::LoggedIn)
        return;
    if (m_typedAt == m_candidate)
        m_candidate.clear();
    known(Kind::Command).removeAll(m_typedAt);
    if (!m_notPrompts.contains(m_typedAt)) {
        if (m_notPrompts.size() == maxNotPrompts)
            m_notPrompts.removeFirst();
        m_notPrompts.append(m_typedAt);
    }
}

void ModemReadiness::promoteCandidate()
{
    QList<QByteArray> &prompts = known(Kind::Command);
    if (prompts.size() == maxCommandPrompts)
        prompts.removeFirst();
    prompts.append(std::exchange(m_candidate, {}));
}

bool ModemReadiness::quietTail(qint64 now, qint64 quiet) const
{
    return m_output && !m_tail.isEmpty() && now - m_lastArrival >= quiet;
}

bool ModemReadiness::statesApart() const
{
    if (known(Kind::Login).isEmpty() || known(Kind::Password).isEmpty())
        return false;
    for (const QByteArray &text : known(Kind::Password)) {
        if (known(Kind::Login).contains(text))
            return false;
    }
    return true;
}

bool ModemReadiness::loggedOut(const QByteArray &text) const
{
    return known(Kind::Login).contains(text) || known(Kind::Password).contains(text);
}

bool ModemReadiness::accept(const QByteArray &text)
{
    m_waiting = false;
    if (m_expected == Kind::Login)
        m_awake = true;
    // A user name read at once at a text, and answered with another one:
    // that text was the login prompt.
    if (m_expected == Kind::Password && known(Kind::Login).isEmpty() && m_echoed
        && !m_typedAt.isEmpty() && m_typedAt != text)
        known(Kind::Login).append(m_typedAt);
    return true;
}

bool ModemReadiness::answered(qint64 now)
{
    if (!m_waiting || !quietTail(now, m_timings.readyQuiet))
        return false;
    const QByteArray tail = withoutTrailingBlanks(m_tail);
    if (tail.isEmpty())
        return false;
    if (known(m_expected).contains(tail))
        return accept(tail);
    // Boot output that pauses is no login prompt: after a restart only a
    // text already known counts.
    if (m_restarting || !m_lineBreak || m_pinned[int(m_expected)] || m_notPrompts.contains(tail))
        return false;
    switch (m_expected) {
    case Kind::Login:
        // A booting modem writes by itself; only the same answer to two
        // empty lines in a row is the console's.
        if (!m_line.isEmpty() || tail != m_typedAt)
            return false;
        break;
    case Kind::Password:
        if (!m_awake || !known(m_expected).isEmpty() || now - m_lastArrival < m_timings.learnQuiet)
            return false;
        break;
    case Kind::Command:
        if (!m_awake || now - m_lastArrival < m_timings.learnQuiet || (statesApart() && loggedOut(tail)))
            return false;
        // The first text after the login may be one shown while the modem
        // works: a prompt once the modem reads a line typed at it or, on a
        // console that does not echo, shows it again for the next line.
        if (tail != m_candidate || m_echoes || m_candidateLine == m_lines) {
            if (known(m_expected).isEmpty() && m_candidate.isEmpty()) {
                m_candidate = tail;
                m_candidateLine = m_lines;
            }
            return false;
        }
        m_candidate.clear();
        break;
    }
    known(m_expected).append(tail);
    return accept(tail);
}

void ModemReadiness::waitedOut(qint64 now)
{
    const bool wasWaiting = std::exchange(m_waiting, false);
    if (!wasWaiting || m_expected != Kind::Command || m_pinned[int(Kind::Command)] || !m_lineBreak
        || !quietTail(now, m_timings.learnQuiet))
        return;
    const QByteArray tail = withoutTrailingBlanks(m_tail);
    if (known(Kind::Command).contains(tail) || m_notPrompts.contains(tail) || (statesApart() && loggedOut(tail)))
        return;
    // It may be what the modem shows while it works: a prompt only once the
    // modem reads a line typed at it.
    m_candidate = tail;
    m_candidateLine = m_lines;
}

bool ModemReadiness::refused(qint64 now, bool atDeadline) const
{
    // Only the answer to a password: a console may well log out later.
    if (m_typedIn != Console::AtPassword || !statesApart())
        return false;
    if (atDeadline ? !m_output : !quietTail(now, m_timings.readyQuiet))
        return false;
    return loggedOut(withoutTrailingBlanks(m_tail));
}
