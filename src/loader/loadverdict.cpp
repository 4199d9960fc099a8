#include "loader/loadverdict.h"

#include <utility>

namespace {

// Longer lists end with "y N más": the label stays readable.
constexpr qsizetype namedAtMost = 5;

QString rightTrimmed(QString text)
{
    while (!text.isEmpty() && text.back().isSpace())
        text.chop(1);
    return text;
}

QString listed(const QStringList &names)
{
    QString out = names.first(qMin(names.size(), namedAtMost)).join(QStringLiteral(", "));
    if (names.size() > namedAtMost)
        out += QStringLiteral(" y %1 más").arg(names.size() - namedAtMost);
    return out;
}

} // namespace

LoadVerdict::LoadVerdict(QStringList errorWords)
    : m_errorWords(std::move(errorWords))
{
}

QString LoadVerdict::silentText()
{
    return QStringLiteral("El módem no ha respondido: compruebe el cable, el puerto y que el módem "
                          "esté encendido.");
}

void LoadVerdict::sent(Part part, int index, const QByteArray &line, bool secret)
{
    m_lines.push_back({part, index, rightTrimmed(QString::fromLatin1(line)), secret});
}

void LoadVerdict::received(const QByteArray &bytes)
{
    m_bytes += bytes.size();
    for (const char c : bytes) {
        if (c == '\r' || c == '\n') {
            const bool secondHalf = m_lineBreak != 0 && m_lineBreak != c;
            m_lineBreak = secondHalf ? 0 : c;
            if (!secondHalf)
                lineEnded();
        } else if (c == '\b') {
            m_line.chop(1);
        } else if (c != '\0') {
            if (m_line.isEmpty())
                m_lineOwner = qsizetype(m_lines.size()) - 1;
            m_line += c;
            m_lineBreak = 0;
        }
    }
}

void LoadVerdict::lineEnded()
{
    const QString line = rightTrimmed(QString::fromLatin1(std::exchange(m_line, {})));
    for (size_t i = m_waiting; i < m_lines.size(); ++i) {
        // An empty line's echo is a bare line break, maybe behind a prompt.
        if (m_lines[i].text.isEmpty() || line.endsWith(m_lines[i].text)) {
            m_lines[i].echoed = true;
            m_waiting = i + 1;
            return;
        }
    }
    if (m_lineOwner < 0 || line.isEmpty())
        return;
    for (const QString &word : m_errorWords) {
        if (line.contains(word, Qt::CaseInsensitive))
            m_lines[size_t(m_lineOwner)].errorAnswer = true;
    }
}

QString LoadVerdict::name(const Line &line)
{
    const QString number = line.part == Part::Access ? QStringLiteral("acceso %1") : QStringLiteral("línea %1");
    QString out = number.arg(line.index + 1);
    if (line.secret)
        out += QStringLiteral(" (clave)");
    else if (line.part == Part::Script)
        out += QStringLiteral(" «%1»").arg(line.text);
    return out;
}

QString LoadVerdict::text(End end) const
{
    const QString start = end == End::Stopped    ? QStringLiteral("Carga parada. ")
                          : end == End::PortLost ? QStringLiteral("Carga interrumpida. ")
                                                 : QString();
    if (m_bytes == 0)
        return start + silentText();

    int judged = 0;
    QStringList missing;
    QStringList errors;
    for (const Line &line : m_lines) {
        if (line.part == Part::Stop)
            continue;
        ++judged;
        // Consoles rarely echo what is typed at a password prompt.
        if (!line.echoed && !line.secret)
            missing.append(name(line));
        if (line.errorAnswer)
            errors.append(name(line));
    }
    QStringList out;
    if (!missing.isEmpty()) {
        out.append(QStringLiteral("El módem no ha devuelto %1 de las %2 líneas enviadas: %3.")
                       .arg(missing.size())
                       .arg(judged)
                       .arg(listed(missing)));
    }
    if (!errors.isEmpty())
        out.append(QStringLiteral("El módem ha respondido con error a: %1.").arg(listed(errors)));
    if (out.isEmpty()) {
        out.append(QStringLiteral("El módem ha contestado a las %1 líneas enviadas, sin ninguna "
                                  "respuesta de error.")
                       .arg(judged));
    }
    return start + out.join(u' ');
}
