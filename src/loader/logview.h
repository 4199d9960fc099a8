#pragma once

#include <QPlainTextEdit>
#include <QTimer>

class TransferLog;

// The log box: shows a TransferLog and follows its end. Changes are gathered
// and applied at most every 50 ms, each as one edit at the end of the text,
// so a fast modem costs little and the text is never rebuilt.
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

    static constexpr int flushIntervalMs = 50;

private:
    void logChanged(int removedDisplayChars, const QString &appendedDisplay);
    void logReset(const QString &display);
    void scrollToEnd();

    TransferLog *m_log = nullptr;
    QTimer m_flushTimer;
    int m_pendingRemove = 0;
    QString m_pendingAppend;
};
