#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

// The log box's text: what the transfer writes and what the modem sends,
// kept as the single-byte text that goes into the log file.
//
// Received line breaks are rewritten into an alternating CR, LF, CR, ...
// sequence so that CR LF and LF CR modems both log CR LF. For the view each
// stored byte shows as zero or one character: a LF right after a CR is the
// second half of one line break and shows as nothing, any other CR or LF is
// a line break, NUL shows as nothing. Changes reach the view as deltas, so
// no change ever costs more than what it adds or removes.
class TransferLog : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    const QByteArray &bytes() const { return m_bytes; }
    bool isEmpty() const { return m_bytes.isEmpty(); }
    // The whole text as the view shows it.
    QString displayText() const;

    // The transfer's own texts, stored verbatim.
    void setText(const QByteArray &text);
    void appendText(const QByteArray &text);
    void clear() { setText(QByteArray()); }

    // The next line break received becomes a CR.
    void startReading();
    // Bytes read from the modem, in order: CR or LF takes the next break of
    // the alternating sequence, backspace removes the last stored byte
    // (nothing when empty), every other byte is kept, NUL included.
    void appendReceived(const QByteArray &received);

    // Where the bytes may differ from those last handed to the log file:
    // a backspace or a new text takes back bytes already written.
    qsizetype unsyncedFrom() const { return m_unsyncedFrom; }
    void markSynced() { m_unsyncedFrom = m_bytes.size(); }

signals:
    // The view drops its last removedDisplayChars characters, then appends.
    void changed(int removedDisplayChars, const QString &appendedDisplay);
    // The view replaces its whole text.
    void reset(const QString &display);

private:
    // Display width (0 or 1) of the byte at index, given what precedes it.
    int displayWidth(qsizetype index) const;
    void appendDisplay(QString &display, qsizetype index) const;

    QByteArray m_bytes;
    char m_rxChar = 0; // the break last put in, which picks the next
    qsizetype m_unsyncedFrom = 0;
};
