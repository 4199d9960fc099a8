#pragma once

#include <QPlainTextEdit>
#include <QStringView>
#include <QTimer>

class QTextCursor;
class TransferLog;

// The log box: shows a TransferLog and follows its end. Changes are gathered
// and applied at most every 50 ms, each as one edit at the end of the text,
// so a fast modem costs little and the text is never rebuilt. The view lays
// out a whole line again for each edit to it, so a line longer than
// maxLineLength is shown as several: the cost per byte stays flat even when
// a modem's line breaks are lost. Only the view breaks it, never the log.
class LogView : public QPlainTextEdit
{
    Q_OBJECT
public:
    explicit LogView(QWidget *parent = nullptr);

    // Shows this log from now on (its whole text at once).
    void setLog(TransferLog *log);

    // Applies what is pending now; tests and the end of a transfer call it.
    void flush();
    bool hasPending() const { return m_pendingRemove > 0 || !m_pendingAppend.isEmpty(); }

    // The log's text as shown, without the view's own line breaks.
    QString logText() const;

    static constexpr int flushIntervalMs = 50;
    static constexpr int maxLineLength = 256;

protected:
    QMimeData *createMimeDataFromSelection() const override;

private:
    void logChanged(int removedDisplayChars, const QString &appendedDisplay);
    void logReset(const QString &display);
    void scrollToEnd();
    void append(QTextCursor &cursor, QStringView text);
    void removeFromEnd(QTextCursor &cursor, int displayChars);

    TransferLog *m_log = nullptr;
    QTimer m_flushTimer;
    int m_pendingRemove = 0;
    QString m_pendingAppend;
};
