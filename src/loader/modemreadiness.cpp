#include "loader/modemreadiness.h"

#include <utility>

namespace {

// A terminal line holds far less; a longer run of bytes without a break is
// never a prompt.
constexpr qsizetype maxTail = 256;

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
    m_restarting = false;
    switch (m_console) {
    case Console::AtLogin:
        // An empty line asks the login prompt again; anything else is a user.
        m_expected = line.isEmpty() ? Kind::Login : Kind::Password;
        m_console = line.isEmpty() ? Console::AtLogin : Console::AtPassword;
        break;
    case Console::AtPassword:
        m_expected = Kind::Command;
        m_console = Console::LoggedIn;
        break;
    case Console::LoggedIn:
        m_restarting = line == "restart";
        if (m_restarting || line == "logout") {
            m_expected = Kind::Login;
            m_console = Console::AtLogin;
        } else {
            m_expected = Kind::Command;
        }
        break;
    }
    m_waiting = true;
    m_output = false;
    m_lineBreak = false;
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
            m_tail.clear();
            m_lineBreak = true;
        } else if (c == '\b') {
            m_tail.chop(1);
        } else if (c != '\0' && m_tail.size() < maxTail) {
            m_tail.append(c);
        }
    }
}

bool ModemReadiness::quietTail(qint64 now, qint64 quiet) const
{
    return m_output && !m_tail.isEmpty() && now - m_lastArrival >= quiet;
}

// A console answers a line on a new line: a text with no break before it is
// a boot paused mid-line (the load started before it ended), not a prompt.
bool ModemReadiness::learnable(qint64 now) const
{
    return m_lineBreak && quietTail(now, m_timings.learnQuiet);
}

bool ModemReadiness::knownElsewhere(const QByteArray &text) const
{
    for (int kind = 0; kind < 3; ++kind) {
        if (kind != int(m_expected) && m_known[kind].contains(text))
            return true;
    }
    return false;
}

bool ModemReadiness::answered(qint64 now)
{
    if (!m_waiting || !quietTail(now, m_timings.readyQuiet))
        return false;
    QList<QByteArray> &known = m_known[int(m_expected)];
    const QByteArray tail = withoutTrailingBlanks(m_tail);
    if (known.contains(tail)) {
        m_waiting = false;
        return true;
    }
    // Boot output that pauses is no login prompt: after a restart only a
    // text already known counts.
    if (!known.isEmpty() || m_restarting || !learnable(now)
        || tail.isEmpty() || knownElsewhere(tail))
        return false;
    known.append(tail);
    m_waiting = false;
    return true;
}

void ModemReadiness::waitedOut(qint64 now)
{
    const bool wasWaiting = std::exchange(m_waiting, false);
    if (!wasWaiting || m_expected != Kind::Command || m_pinned[int(Kind::Command)]
        || !learnable(now))
        return;
    const QByteArray tail = withoutTrailingBlanks(m_tail);
    QList<QByteArray> &known = m_known[int(Kind::Command)];
    if (tail.isEmpty() || known.contains(tail) || knownElsewhere(tail))
        return;
    if (known.size() == maxCommandPrompts)
        known.removeFirst();
    known.append(tail);
}
