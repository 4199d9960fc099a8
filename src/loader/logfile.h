#pragma once

#include "loader/transferlog.h"

#include <QFile>
#include <QString>

// "Transference" (sic): every log of a stopped load has ended with this line.
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
