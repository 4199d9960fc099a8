#pragma once

#include <QByteArray>
#include <QFile>
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

    // The line-break byte last put in by appendReceived (0 before any).
    char rxChar() const { return m_rxChar; }

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
    char m_rxChar = 0;
    qsizetype m_unsyncedFrom = 0;
};

inline const QString userStopLine = QStringLiteral("---- Transference terminated by user ----");

// The log file name of one subscriber, relative to the working directory.
QString logFileName(const QString &phone);

// logs/<phone>.log, written as the transfer goes so that a kill, a crash or
// a power loss costs at most the last poll. Once finished it holds the log
// text and CR LF, then the user-stop line and CR LF when the user stopped.
class LogFile
{
public:
    // Replaces the file with an empty one; a missing logs folder is
    // created. On failure *error holds a sentence for the user.
    bool open(const QString &phone, QString *error);
    bool isOpen() const { return m_file.isOpen(); }
    // Writes what changed since the last sync and hands it to the system.
    void sync(TransferLog &log);
    // Asks the system to put what was handed to it on the disk, so that a
    // power loss costs no more than a kill; once per line sent is enough.
    void makeDurable();
    // The last sync, the closing lines; closes the file. False when any
    // write since open failed; *error then holds a sentence for the user.
    bool finish(TransferLog &log, bool stoppedByUser, QString *error);

private:
    QFile m_file;
    QString m_name;
    qsizetype m_size = 0; // bytes of the log in the file
    bool m_failed = false;
    bool m_dirty = false; // written since the last makeDurable
};
