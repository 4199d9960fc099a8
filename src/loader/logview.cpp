#include "loader/logview.h"

#include "loader/transferlog.h"

#include <QFontDatabase>
#include <QScrollBar>
#include <QTextCursor>

LogView::LogView(QWidget *parent)
    : QPlainTextEdit(parent)
{
    setReadOnly(true);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setUndoRedoEnabled(false);

    QFont font(QStringLiteral("Courier New"), 9);
    font.setStyleHint(QFont::Monospace);
    if (!QFontInfo(font).fixedPitch()) {
        font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        font.setPointSize(9);
    }
    setFont(font);

    m_flushTimer.setSingleShot(true);
    m_flushTimer.setInterval(flushIntervalMs);
    connect(&m_flushTimer, &QTimer::timeout, this, &LogView::flush);
}

void LogView::setLog(TransferLog *log)
{
    if (m_log)
        disconnect(m_log, nullptr, this, nullptr);
    m_log = log;
    if (!m_log)
        return;
    connect(m_log, &TransferLog::changed, this, &LogView::logChanged);
    connect(m_log, &TransferLog::reset, this, &LogView::logReset);
    connect(m_log, &QObject::destroyed, this, [this] { m_log = nullptr; });
    logReset(m_log->displayText());
}

void LogView::logChanged(int removedDisplayChars, const QString &appendedDisplay)
{
    // A removal eats what is still pending before it reaches the view.
    const int fromPending = qMin<qsizetype>(removedDisplayChars, m_pendingAppend.size());
    m_pendingAppend.chop(fromPending);
    m_pendingRemove += removedDisplayChars - fromPending;
    m_pendingAppend += appendedDisplay;
    if (hasPending() && !m_flushTimer.isActive())
        m_flushTimer.start();
}

void LogView::logReset(const QString &display)
{
    m_flushTimer.stop();
    m_pendingRemove = 0;
    m_pendingAppend.clear();
    setPlainText(display);
    scrollToEnd();
}

void LogView::flush()
{
    m_flushTimer.stop();
    if (!hasPending())
        return;
    QTextCursor cursor(document());
    cursor.beginEditBlock();
    cursor.movePosition(QTextCursor::End);
    if (m_pendingRemove > 0) {
        // Positions, not characters: a move by character would step over
        // whole grapheme clusters.
        const int end = cursor.position();
        cursor.setPosition(end - qMin(m_pendingRemove, end), QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
    }
    if (!m_pendingAppend.isEmpty())
        cursor.insertText(m_pendingAppend);
    cursor.endEditBlock();
    m_pendingRemove = 0;
    m_pendingAppend.clear();
    scrollToEnd();
}

void LogView::scrollToEnd()
{
    // The caret after the last character with nothing selected keeps the
    // end of the log in view.
    QTextCursor end = textCursor();
    end.movePosition(QTextCursor::End);
    setTextCursor(end);
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}
