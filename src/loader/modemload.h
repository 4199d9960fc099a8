#pragma once

#include "loader/logfile.h"
#include "loader/transferdialogue.h"
#include "loader/transferlog.h"

#include <QObject>

#include <memory>
#include <optional>

class PasswordStore;
class SerialLink;
class TimerSource;

// One load of a modem and everything it owns: the serial link, the log, the
// log file and the timed dialogue. It says what happens by its signals and
// knows nothing of the window that shows it, so that loads can stand side
// by side. It reads the passwords from the store as each load starts.
class ModemLoad : public QObject
{
    Q_OBJECT
public:
    ModemLoad(std::unique_ptr<SerialLink> link, TimerSource &timers, PasswordStore &passwords,
              TransferTimings timings = {}, QObject *parent = nullptr);
    ~ModemLoad() override;

    // The script of `phone` through port comN: read, checked and the port
    // tried, nothing sent. The message tells the installer why not.
    std::optional<Message> prepare(const QString &phone, int comPort, bool fast);
    // Once the installer has power-cycled the modem; the message tells the
    // installer why nothing was sent.
    std::optional<Message> begin();
    // The installer's stop; only while stopAllowedChanged last said so.
    void stop();
    // The installer is done with the last load: the port is let go and the
    // log emptied.
    void release();
    // The window showing this load became the active one.
    void viewActivated();
    // The program is ending: a running load ends at once as after a lost
    // port, without a message (its log file written, the previous password
    // back if the modem was not sent the new one), the port is closed, and
    // no load begins any more.
    void end();

    bool isRunning() const { return m_dialogue.isRunning(); }
    bool stopSendingCommands() const { return m_dialogue.stopSendingCommands(); }
    bool wasInterrupted() const { return m_dialogue.wasInterrupted(); }
    bool wasRefused() const { return m_dialogue.wasRefused(); }
    const QString &verdict() const { return m_dialogue.verdict(); }
    TransferLog &log() { return m_log; }

signals:
    void runningChanged(bool running);
    void stopAllowedChanged(bool allowed);
    void progressChanged(const TransferProgress &progress);
    // The script file could not be used: the telephone is not one to keep.
    void phoneNumberRefused();
    // A fault the installer must be told about (port, password file, log file).
    void failed(const Message &message);
    // The log file is written; stopped: it ends with the user line.
    void finished(bool stopped);

private:
    std::unique_ptr<SerialLink> m_link;
    PasswordStore &m_passwords;
    TransferLog m_log;
    LogFile m_logFile;
    TransferDialogue m_dialogue;
};
