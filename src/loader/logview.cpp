#include "loader/logview.h"

#include "loader/transferlog.h"

#include <QFontDatabase>
#include <QMimeData>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>

namespace {

// The user state of a block that goes on the log's line before it.
constexpr int continuation = 1;

bool continues(const QTextBlock &block)
{
    return block.userState() == continuation;
}

// The text from..to of the document, without the view's own breaks.
QString logTextBetween(const QTextDocument &document, int from, int to)
{
    QString text;
    for (QTextBlock block = document.findBlock(from); block.isValid() && block.position() <= to;
         block = block.next()) {
        if (block.position() > from && !continues(block))
            text += QLatin1Char('\n');
        const int start = qMax(from, block.position());
        const int end = qMin(to, block.position() + block.length() - 1);
        text += block.text().mid(start - block.position(), end - start);
    }
    return text;
}

} // namespace

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
    clear();
    QTextCursor cursor(document());
    cursor.beginEditBlock();
    append(cursor, display);
    cursor.endEditBlock();
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
    if (m_pendingRemove > 0)
        removeFromEnd(cursor, m_pendingRemove);
    append(cursor, m_pendingAppend);
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

void LogView::append(QTextCursor &cursor, QStringView text)
{
    int column = cursor.positionInBlock();
    while (!text.isEmpty()) {
        const qsizetype lineBreak = text.indexOf(QLatin1Char('\n'));
        const qsizetype lineEnd = lineBreak < 0 ? text.size() : lineBreak;
        const qsizetype piece = qMin<qsizetype>(lineEnd, maxLineLength - column);
        cursor.insertText(text.first(piece).toString());
        column += int(piece);
        text = text.sliced(piece);
        if (text.isEmpty())
            break;
        // Set either way: a new block's state is not left to insertBlock.
        const bool broken = piece < lineEnd;
        if (!broken)
            text = text.sliced(1);
        cursor.insertBlock();
        cursor.block().setUserState(broken ? continuation : -1);
        column = 0;
    }
}

void LogView::removeFromEnd(QTextCursor &cursor, int displayChars)
{
    // Positions, not characters: a move by character would step over whole
    // grapheme clusters. The view's own breaks go, but count for nothing.
    int position = cursor.position();
    QTextBlock block = cursor.block();
    while (displayChars > 0) {
        const int inBlock = position - block.position();
        if (displayChars <= inBlock || block.position() == 0) {
            position -= qMin(displayChars, inBlock);
            break;
        }
        displayChars -= inBlock;
        if (!continues(block))
            --displayChars;
        position = block.position() - 1;
        block = block.previous();
    }
    // Qt gives the block left the state of the last block removed.
    const int state = block.userState();
    cursor.setPosition(position, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    cursor.block().setUserState(state);
}

QString LogView::logText() const
{
    return logTextBetween(*document(), 0, document()->characterCount() - 1);
}

QMimeData *LogView::createMimeDataFromSelection() const
{
    // A copied long line is the log's one line.
    const QTextCursor selection = textCursor();
    auto *data = new QMimeData;
    data->setText(logTextBetween(*document(), selection.selectionStart(), selection.selectionEnd()));
    return data;
}
