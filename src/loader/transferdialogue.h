#pragma once

// The modem loader, from the bottom up:
//   SerialLink   - the serial line (Qt SerialPort, or a stand-in in tests)
//   TimerSource  - the clock and single-shot timers that pace the dialogue
//   TransferLog  - the log box's text and its rendering of received bytes
//   LogFile      - logs/<phone>.log, written as the log grows
//   LoadPlan     - the lines, waits and stop table of a load, worked out
//                  before the port opens
//   LoadVerdict  - what the modem's answers show, summed up at the end
//   TransferDialogue - the timed dialogue: password phase, script phase,
//                  stop sequence; says whether a load runs, whether it may
//                  be stopped and how far it has got
//   ModemLoad    - the owner of one load: its link, log, log file and
//                  dialogue, and the passwords it uses
//   InputFromModemScreen - the window: decides its controls from what the
//                  load says, shows the log (LogView)
// A fixed load is paced by time alone: it reads the modem's answers only to
// show them and to sum them up for the installer. A fast load also sends each
// line as soon as ModemReadiness sees the modem ready for it, never later
// than the fixed load would have.

#include "loader/commomdata.h"
#include "loader/loadplan.h"
#include "loader/loadverdict.h"
#include "loader/modemreadiness.h"
#include "loader/logfile.h"
#include "shell/message.h"

#include <QObject>
#include <QString>

#include <memory>
#include <optional>

class SerialLink;
class Timer;
class TimerSource;

// The waits of the dialogue, in milliseconds. Tests over a real port scale
// them down; the program uses these.
struct TransferTimings
{
    qint64 lineWait = 4000;     // after each line sent
    qint64 restartWait = 40000; // after script line 1, while the modem restarts
    qint64 loginPause = 8000;   // between the password phase and the script
    qint64 poll = 10;           // receive poll
    ReadinessTimings readiness{}; // fast load
};

struct TransferRequest
{
    QString phone;       // names configuraciones/<phone>.cfg and logs/<phone>.log
    int comPort = 1;
    QString currentPass; // logs in with it
    QString newPass;     // sets and stores it
    bool fast = false;   // each line once the modem is ready, the fixed waits as ceilings
};

enum class TransferPhase { Idle, Password, Script, Stopping };

struct TransferProgress
{
    TransferPhase phase = TransferPhase::Idle;
    qint64 elapsedMs = 0; // since the port opened
    qint64 totalMs = 0;   // the whole schedule as it now stands
};

class TransferDialogue : public QObject
{
    Q_OBJECT
public:
    static constexpr int tableSize = commomData::tableSize;

    TransferDialogue(SerialLink &link, TimerSource &timers, TransferLog &log, LogFile &logFile,
                     TransferTimings timings = {}, QObject *parent = nullptr);
    ~TransferDialogue() override;

    // Up to the reading of the script: closes the link, empties the log,
    // tries the port and plans the load. On failure nothing was sent or
    // stored and the returned message is for the user.
    std::optional<Message> prepare(const TransferRequest &request);
    // After the user has power-cycled the modem: opens the port, stores the
    // new password and runs the timed dialogue. A failure to open or store,
    // for the user, comes back; nothing is sent then. Nothing begins once
    // the program is ending.
    std::optional<Message> begin();
    // The stop sequence; only while stopAllowedChanged last said so.
    void stop();
    // The close button: stops the receive poll and closes the port.
    void closePort();
    // The transfer screen became the active window.
    void screenActivated();
    // The program is ending: a running transfer ends as after a lost port
    // (nothing more sent, log file written, the previous password back if
    // the modem was not yet sent the new one), without a message; the port
    // is closed.
    void endForExit();

    bool isRunning() const { return m_phase != TransferPhase::Idle; }
    TransferPhase phase() const { return m_phase; }
    TransferProgress progress() const;
    bool stopSendingCommands() const { return m_stopSendingCommands; }
    // The last transfer ended because the port went away.
    bool wasInterrupted() const { return m_interrupted; }
    // The last transfer ended because the modem did not take the login.
    bool wasRefused() const { return !m_refusal.isEmpty(); }
    // One line for the installer on what the modem sent back during the
    // last load; empty until a load has ended.
    const QString &verdict() const { return m_verdictText; }

signals:
    // A load began (the port open, the new password stored, the log file
    // open) or ended.
    void runningChanged(bool running);
    // Whether stop() would act now; told again at each script line.
    void stopAllowedChanged(bool allowed);
    // The script file could not be used: the telephone field is emptied.
    void phoneNumberRefused();
    void progressChanged(const TransferProgress &progress);
    // A fault the user must be told about (port, password file, log file).
    void failed(const Message &message);
    // The controls are back and the log file written; stopped: it ends with
    // the user line.
    void finished(bool stopped);

private:
    // False when the line did not reach the port: the transfer is over.
    bool sendLine(const QString &line);
    void startReading();
    // What arrives while the log shows nothing still counts for the verdict.
    void takeHidden();
    // Everything that arrived, to the verdict, to the readiness in a fast
    // load and, when shown, to the log.
    void takeIn();
    // Into the log box and file, unless the log shows nothing now.
    void show(const QByteArray &received);
    void poll();
    void sendTimeout();
    void sendNextScriptLine();
    void sendNextStopLine();
    void finish();
    void linkLost(const QString &message);
    void loginRefused();
    void cutShort();
    void emitProgress();
    qint64 scheduledLength() const;

    SerialLink &m_link;
    TimerSource &m_timers;
    TransferLog &m_log;
    LogFile &m_logFile;
    LoadVerdict m_verdict;
    QString m_verdictText;
    TransferTimings m_timings;
    std::unique_ptr<Timer> m_sendTimer;
    std::unique_ptr<Timer> m_pollTimer;
    std::unique_ptr<Timer> m_progressTimer;

    LoadPlan m_plan;

    TransferRequest m_request;
    bool m_prepared = false;
    TransferPhase m_phase = TransferPhase::Idle;
    bool m_stopSendingCommands = false;
    bool m_portClosed = true;
    int m_index = 0;      // next line of the current phase
    int m_stopIndex = 0;  // next line of the stop sequence
    bool m_loginPauseDone = false;
    bool m_userStopped = false;
    bool m_interrupted = false;
    QString m_refusal;          // the modem did not take the login: why
    bool m_passwordSent = true; // "admin <new>" went out: the journal is gone
    bool m_journalLeft = false; // ...but could not be removed yet
    bool m_quiet = false;       // the program is ending: no message boxes
    qint64 m_startedAt = 0;
    qint64 m_stoppedAt = -1;
    bool m_fast = false;
    ModemReadiness m_readiness;
    qint64 m_lastSentAt = 0;
};
