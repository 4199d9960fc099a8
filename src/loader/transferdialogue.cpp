#include "loader/transferdialogue.h"

#include "builder/configscript.h"
#include "device/seriallink.h"
#include "device/timersource.h"
#include "loader/preferences.h"
#include "loader/readlines.h"
#include "loader/loadmessages.h"
#include "loader/transferlog.h"
#include "password/passwordstore.h"
#include "shell/textfile.h"


using namespace commomData;

namespace {

const QByteArray startText = QByteArrayLiteral("Actualizando password. Por favor espere.\r\n");
const QByteArray scriptMarker = QByteArrayLiteral("....>");
const char *const stopLines[] = {"top", "quit", "logout", ""};
constexpr int stopLineCount = 4;
constexpr qint64 progressInterval = 1000;

} // namespace

TransferDialogue::TransferDialogue(SerialLink &link, TimerSource &timers, TransferLog &log, LogFile &logFile,
                                   TransferTimings timings, QObject *parent)
    : QObject(parent)
    , m_link(link)
    , m_timers(timers)
    , m_log(log)
    , m_logFile(logFile)
    , m_timings(timings)
    , m_sendTimer(timers.createTimer())
    , m_pollTimer(timers.createTimer())
    , m_progressTimer(timers.createTimer())
{
    m_sendTimer->timeout = [this] { sendTimeout(); };
    m_pollTimer->timeout = [this] { poll(); };
    m_progressTimer->timeout = [this] {
        emitProgress();
        if (isRunning())
            m_progressTimer->start(progressInterval);
    };
    connect(&m_link, &SerialLink::lost, this, &TransferDialogue::linkLost);
}

TransferDialogue::~TransferDialogue() = default;

std::optional<Message> TransferDialogue::prepare(const TransferRequest &request)
{
    m_prepared = false;
    if (isRunning())
        return std::nullopt;

    closePort();
    m_log.clear();

    // Only digits may name a file: anything else could reach outside the
    // configuration folder.
    QByteArray bytes;
    const textfile::ReadResult read = isPhoneNumber(request.phone)
        ? textfile::readFile(configScriptPath(request.phone), &bytes)
        : textfile::ReadResult::Missing;
    if (read == textfile::ReadResult::Missing) {
        emit phoneNumberRefused();
        return loadmessages::missingScript();
    }
    if (read == textfile::ReadResult::Damaged)
        return loadmessages::damagedScript();

    const QStringList lines = readLines(bytes);
    if (lines.size() > tableSize)
        return loadmessages::scriptTooLong(lines.size(), tableSize);
    // A journal that could not be restored may be the only record of the
    // password a modem has; the next transfer would replace it.
    if (passwordJournalLeft())
        return loadmessages::journalLeft(passwordJournalPath());
    // A wrong port found after the power cycle costs the installer a boot:
    // it is tried now, and let go until the load opens it.
    QString portError;
    const bool portOpens = m_link.open(request.comPort, &portError);
    m_link.close();
    if (!portOpens)
        return loadmessages::portRefused(portError);
    m_plan = planLoad(lines, request.currentPass, request.newPass, m_timings.lineWait, m_timings.restartWait);

    m_request = request;
    m_prepared = true;
    return std::nullopt;
}

std::optional<Message> TransferDialogue::begin()
{
    if (!m_prepared || isRunning() || m_quiet)
        return std::nullopt;
    m_prepared = false;

    // Nothing has gone out: the port is let go.
    const auto refuse = [this](const Message &message) {
        m_link.close();
        return message;
    };
    QString error;
    if (!m_link.open(m_request.comPort, &error))
        return refuse(loadmessages::portRefused(error));
    // Setting a password on the modem that is not stored would lock every
    // later transfer out of it: nothing is sent unless the store succeeded.
    if (!storePasswordJournaled(m_request.newPass, &error))
        return refuse(loadmessages::passwordNotStored(error));
    // A transfer whose log is lost leaves the installer blind: nothing is
    // sent unless the log can be written.
    if (!m_logFile.open(m_request.phone, &error)) {
        restorePreviousPassword();
        return refuse(loadmessages::logNotOpened(error));
    }
    m_passwordSent = false;

    m_log.setText(startText);
    m_logFile.sync(m_log);
    // Nothing the modem says while the passwords go out is shown.
    m_stopSendingCommands = true;
    m_userStopped = false;
    m_interrupted = false;
    m_refusal.clear();
    m_loginPauseDone = false;
    m_stoppedAt = -1;
    const Preferences preferences = Preferences::load();
    m_verdict = LoadVerdict(preferences.errorWords);
    m_fast = m_request.fast;
    m_readiness = ModemReadiness(m_timings.readiness,
                                 {preferences.loginPrompt.toLatin1(), preferences.passwordPrompt.toLatin1(),
                                  preferences.commandPrompt.toLatin1()});
    m_verdictText.clear();
    m_startedAt = m_timers.now();
    m_phase = TransferPhase::Password;
    emit runningChanged(true);
    emit stopAllowedChanged(false);
    m_progressTimer->start(progressInterval);

    m_index = 0;
    if (!sendLine(m_plan.loginLines[0]))
        return std::nullopt;
    m_sendTimer->start(m_timings.lineWait);
    // The modem's answers are read, unseen, from the first line: they pace a
    // fast load and show a refused login in any load.
    m_pollTimer->start(m_timings.poll);
    emitProgress();
    return std::nullopt;
}

void TransferDialogue::sendTimeout()
{
    if (m_phase == TransferPhase::Password || m_phase == TransferPhase::Script) {
        takeIn();
        const qint64 now = m_timers.now();
        m_readiness.answered(now);
        if (m_readiness.refused(now, true))
            return loginRefused();
        m_readiness.waitedOut(now);
    }
    switch (m_phase) {
    case TransferPhase::Password:
        if (m_index < LoadPlan::loginLast) {
            ++m_index;
            if (!sendLine(m_plan.loginLines[m_index]))
                return;
            if (m_index == LoadPlan::newPasswordLine) {
                m_journalLeft = !keepStoredPassword();
                m_passwordSent = true;
            }
            // The login pause only caps how long a fast load waits for the
            // answer to the last line.
            if (m_fast && m_index == LoadPlan::loginLast) {
                m_loginPauseDone = true;
                m_sendTimer->start(m_timings.lineWait + m_timings.loginPause);
            } else {
                m_sendTimer->start(m_timings.lineWait);
            }
        } else if (!m_loginPauseDone) {
            m_loginPauseDone = true;
            m_sendTimer->start(m_timings.loginPause);
        } else {
            m_log.appendText(scriptMarker);
            m_logFile.sync(m_log);
            startReading();
            m_stopSendingCommands = false;
            m_phase = TransferPhase::Script;
            m_index = 0;
            sendNextScriptLine();
        }
        break;
    case TransferPhase::Script:
        ++m_index;
        sendNextScriptLine();
        break;
    case TransferPhase::Stopping:
        sendNextStopLine();
        break;
    case TransferPhase::Idle:
        break;
    }
    emitProgress();
}

void TransferDialogue::sendNextScriptLine()
{
    if (m_index > m_plan.scriptLast || m_stopSendingCommands) {
        finish();
        return;
    }
    emit stopAllowedChanged(m_plan.stopAllowed[m_index]);
    if (sendLine(m_plan.scriptLines[m_index]))
        m_sendTimer->start(qint64(m_plan.lineWaits[m_index]));
}

void TransferDialogue::stop()
{
    if (m_phase != TransferPhase::Script || m_index > m_plan.scriptLast || !m_plan.stopAllowed[m_index])
        return;
    m_stopSendingCommands = true;
    m_userStopped = true;
    emit stopAllowedChanged(false);
    // The modem's answers to the stop sequence are neither shown nor logged.
    m_portClosed = true;
    m_pollTimer->stop();
    // The pending script wait is superseded: the loop ends with the sequence.
    m_sendTimer->stop();
    m_phase = TransferPhase::Stopping;
    m_stoppedAt = m_timers.now();
    m_stopIndex = 0;
    sendNextStopLine();
    emitProgress();
}

void TransferDialogue::sendNextStopLine()
{
    if (m_stopIndex < stopLineCount) {
        if (sendLine(QString::fromLatin1(stopLines[m_stopIndex++])))
            m_sendTimer->start(m_timings.lineWait);
        return;
    }
    takeHidden();
    closePort();
    finish();
}

void TransferDialogue::finish()
{
    m_sendTimer->stop();
    m_progressTimer->stop();
    // Take in what has arrived up to this instant, so the file holds it all.
    if (!m_stopSendingCommands && !m_portClosed)
        poll();
    m_verdictText = !m_refusal.isEmpty() ? m_refusal
                    : m_verdict.text(m_interrupted    ? LoadVerdict::End::PortLost
                                     : m_userStopped ? LoadVerdict::End::Stopped
                                                     : LoadVerdict::End::Completed);
    m_phase = TransferPhase::Idle;
    if (!m_passwordSent) {
        restorePreviousPassword();
        m_passwordSent = true;
    }
    // The modem has the new password: a journal left behind would put the
    // old one back at the next start and lock the modem out.
    const bool journalLeft = m_journalLeft && !keepStoredPassword();
    m_journalLeft = false;

    emit stopAllowedChanged(false);
    emit runningChanged(false);
    QString error;
    const bool written = m_logFile.finish(m_log, m_userStopped, &error);
    emitProgress();
    if (!written && !m_quiet)
        emit failed(loadmessages::logNotWritten(error));
    if (journalLeft && !m_quiet)
        emit failed(loadmessages::journalNotRemoved(passwordJournalPath()));
    emit finished(m_userStopped);
}

void TransferDialogue::linkLost(const QString &message)
{
    m_pollTimer->stop();
    m_portClosed = true;
    cutShort();
    emit failed(loadmessages::linkLost(message));
}

void TransferDialogue::loginRefused()
{
    // Nothing more goes out: the next lines would go in as a user name and
    // a password, the new password among them. What claves.dat holds follows
    // whether the new password went out.
    m_refusal = m_passwordSent ? loadmessages::refusedAfterRestartText() : loadmessages::refusedText();
    m_sendTimer->stop();
    closePort();
    finish();
    if (!m_quiet)
        emit failed(loadmessages::loginRefused(m_refusal));
}

void TransferDialogue::cutShort()
{
    if (!isRunning())
        return;
    // Nothing more goes out; what arrived up to now is kept in the log (a
    // lost link hands over what it had read before it closed).
    m_sendTimer->stop();
    m_pollTimer->stop();
    const QByteArray rest = m_link.readAll();
    if (m_phase == TransferPhase::Script && !m_stopSendingCommands)
        m_log.appendReceived(rest);
    m_verdict.received(rest);
    m_portClosed = true;
    m_interrupted = true;
    finish();
}

void TransferDialogue::endForExit()
{
    m_quiet = true;
    cutShort();
    closePort();
}

void TransferDialogue::closePort()
{
    if (!m_link.isOpen())
        return;
    m_pollTimer->stop();
    m_link.close();
    m_portClosed = true;
}

void TransferDialogue::screenActivated()
{
    // A stop asked for must survive until the script loop has read it, and
    // the password phase must stay hidden: only an idle screen clears it.
    if (!isRunning())
        m_stopSendingCommands = false;
}

bool TransferDialogue::sendLine(const QString &line)
{
    // A line break inside a line would reach the modem as one more command.
    qsizetype end = line.size();
    for (QChar lineBreak : {u'\r', u'\n'}) {
        if (const qsizetype at = line.indexOf(lineBreak); at >= 0)
            end = std::min(end, at);
    }
    // What came before this line answered the one before it.
    takeIn();
    const QByteArray bytes = line.left(end).toLatin1();
    QString error;
    const bool sent = m_link.write(bytes + cmdEnd, &error);
    m_logFile.makeDurable();
    if (sent) {
        m_readiness.sent(bytes, m_timers.now());
        m_lastSentAt = m_timers.now();
    }
    if (sent) {
        const bool password = m_phase == TransferPhase::Password;
        m_verdict.sent(password                            ? LoadVerdict::Part::Access
                       : m_phase == TransferPhase::Script ? LoadVerdict::Part::Script
                                                          : LoadVerdict::Part::Stop,
                       m_index, bytes,
                       password ? m_index == LoadPlan::currentPasswordLine || m_index == LoadPlan::newPasswordLine
                                : m_phase == TransferPhase::Script && m_index == LoadPlan::scriptPasswordLine);
    }
    // A line that did not reach the port ends the transfer as a lost port.
    if (!sent)
        linkLost(error);
    return sent;
}

void TransferDialogue::startReading()
{
    m_log.startReading();
    takeHidden();
    m_portClosed = false;
    m_pollTimer->start(m_timings.poll);
}

void TransferDialogue::takeHidden()
{
    if (m_link.isOpen())
        m_verdict.received(m_link.readAll());
}

void TransferDialogue::poll()
{
    // Read after the end too: the log goes on while the port stays open.
    if (isRunning())
        takeIn();
    else if (m_link.isOpen())
        show(m_link.readAll());
    const bool talking = m_phase == TransferPhase::Password || m_phase == TransferPhase::Script;
    if (talking && m_sendTimer->isActive()) {
        const qint64 now = m_timers.now();
        if (m_readiness.answered(now) && m_fast) {
            m_sendTimer->stop();
            sendTimeout();
        } else if (m_readiness.refused(now)) {
            return loginRefused();
        }
    }
    if ((!m_portClosed || m_phase == TransferPhase::Password) && !m_pollTimer->isActive())
        m_pollTimer->start(m_timings.poll);
}

void TransferDialogue::takeIn()
{
    if (!m_link.isOpen())
        return;
    const QByteArray received = m_link.readAll();
    m_verdict.received(received);
    m_readiness.received(received, m_timers.now());
    show(received);
}

void TransferDialogue::show(const QByteArray &received)
{
    if (!m_stopSendingCommands && !received.isEmpty()) {
        m_log.appendReceived(received);
        m_logFile.sync(m_log);
    }
}

qint64 TransferDialogue::scheduledLength() const
{
    if (m_stoppedAt >= 0)
        return m_stoppedAt - m_startedAt + stopLineCount * m_timings.lineWait;
    if (m_fast) {
        // What has gone, then the ceilings of the line out and of those to come.
        const bool password = m_phase == TransferPhase::Password;
        qint64 total = m_lastSentAt - m_startedAt;
        if (password)
            total += (LoadPlan::loginLast - m_index + 1) * m_timings.lineWait + m_timings.loginPause;
        for (int i = password ? 0 : m_index; i <= m_plan.scriptLast; ++i)
            total += qint64(m_plan.lineWaits[i]);
        return total;
    }
    qint64 total = (LoadPlan::loginLast + 1) * m_timings.lineWait + m_timings.loginPause;
    for (int i = 0; i <= m_plan.scriptLast; ++i)
        total += qint64(m_plan.lineWaits[i]);
    return total;
}

TransferProgress TransferDialogue::progress() const
{
    if (m_phase == TransferPhase::Idle)
        return {};
    const qint64 total = scheduledLength();
    return {m_phase, qBound(qint64(0), m_timers.now() - m_startedAt, total), total};
}

void TransferDialogue::emitProgress()
{
    emit progressChanged(progress());
}
