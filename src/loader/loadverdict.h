#pragma once

// One line for the installer that sums up what the modem sent back during
// a load. It decides nothing: the lines and waits of a load never depend
// on it.
//
// Each line sent waits for its echo. The lines received (NUL dropped,
// backspace edits applied, CR, LF, CR LF and LF CR each ending one line)
// are matched to the lines sent in order: a received line that ends with
// the text of a waiting line is its echo, as the modem may print a prompt
// before it (any line echoes an empty one), and the waiting lines before
// that one were never echoed (but for a password, which a console may
// well not echo). Any other received line is an answer to the
// line last sent when it began, and an error answer when it holds one of
// the error words.
//
// The summary names lines by number and, for the script, by text; the
// lines that carry a password never by text, and nothing received ever.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

class LoadVerdict
{
public:
    enum class Part {
        Access, // the password phase
        Script,
        Stop    // the stop sequence: echoes consumed, never judged
    };
    enum class End { Completed, Stopped, PortLost };

    explicit LoadVerdict(QStringList errorWords = {});

    // A line that reached the port; index counts from 0 within its part.
    void sent(Part part, int index, const QByteArray &line, bool secret);
    void received(const QByteArray &bytes);
    QString text(End end) const;

    static QString silentText();

private:
    struct Line
    {
        Part part;
        int index;
        QString text;
        bool secret;
        bool echoed = false;
        bool errorAnswer = false;
    };

    void lineEnded();
    static QString name(const Line &line);

    QStringList m_errorWords;
    std::vector<Line> m_lines;
    size_t m_waiting = 0;       // first line whose echo may still come
    QByteArray m_line;          // the line being received
    qsizetype m_lineOwner = -1; // the line last sent when it began
    char m_lineBreak = 0;       // CR or LF just taken: the other one pairs with it
    qint64 m_bytes = 0;
};
