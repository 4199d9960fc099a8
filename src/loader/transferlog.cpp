#include "loader/transferlog.h"

#include "loader/commomdata.h"

using namespace commomData;

int TransferLog::displayWidth(qsizetype index) const
{
    const char c = m_bytes.at(index);
    if (c == '\0')
        return 0;
    if (c == '\n' && index > 0 && m_bytes.at(index - 1) == '\r')
        return 0;
    return 1;
}

void TransferLog::appendDisplay(QString &display, qsizetype index) const
{
    if (displayWidth(index) == 0)
        return;
    const char c = m_bytes.at(index);
    // The view makes a paragraph of every CR and LF alike; one break each.
    if (c == '\r' || c == '\n')
        display += QLatin1Char('\n');
    else
        display += QLatin1Char(c);
}

QString TransferLog::displayText() const
{
    QString display;
    display.reserve(m_bytes.size());
    for (qsizetype i = 0; i < m_bytes.size(); ++i)
        appendDisplay(display, i);
    return display;
}

void TransferLog::setText(const QByteArray &text)
{
    m_bytes = text;
    m_unsyncedFrom = 0;
    emit reset(displayText());
}

void TransferLog::appendText(const QByteArray &text)
{
    QString display;
    for (char c : text) {
        m_bytes.append(c);
        appendDisplay(display, m_bytes.size() - 1);
    }
    emit changed(0, display);
}

void TransferLog::startReading()
{
    m_rxChar = rxLf;
}

void TransferLog::appendReceived(const QByteArray &received)
{
    int removed = 0;
    QString display;
    for (char c : received) {
        if (c == rxLf || c == rxCr) {
            if (m_rxChar == rxLf) {
                m_bytes.append(logCr);
                m_rxChar = rxCr;
            } else {
                m_bytes.append(logLf);
                m_rxChar = rxLf;
            }
            appendDisplay(display, m_bytes.size() - 1);
        } else if (c == rxBs) {
            if (m_bytes.isEmpty())
                continue;
            const int width = displayWidth(m_bytes.size() - 1);
            m_bytes.chop(1);
            m_unsyncedFrom = qMin(m_unsyncedFrom, m_bytes.size());
            if (width == 0)
                continue;
            // What this pass added goes first; older text is the view's.
            if (!display.isEmpty())
                display.chop(1);
            else
                ++removed;
        } else {
            m_bytes.append(c);
            appendDisplay(display, m_bytes.size() - 1);
        }
    }
    if (removed > 0 || !display.isEmpty())
        emit changed(removed, display);
}
