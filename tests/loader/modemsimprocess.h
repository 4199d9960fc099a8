#pragma once

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTest>

// The modem simulator, run for one test in the current working folder: it
// answers as port `portNumber` (a comN link there) and records what it
// receives.
class ModemSimProcess
{
public:
    explicit ModemSimProcess(int portNumber = 1)
        : m_link(QStringLiteral("com%1").arg(portNumber))
    {
    }
    ~ModemSimProcess() { stop(); }

    // Starts it and waits until its link is in place. Clutter is off unless
    // the test's options turn it on.
    bool start(const QStringList &extra = {})
    {
        m_process.setProgram(QStringLiteral(MODEMSIM_PATH));
        m_process.setArguments(QStringList{QStringLiteral("--link"), m_link, QStringLiteral("--record"),
                                           recordPath(), QStringLiteral("--noise"), QStringLiteral("0")}
                               + extra);
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start();
        if (!m_process.waitForStarted(5000))
            return false;
        QDeadlineTimer deadline(5000);
        // A link left by a killed run dangles until the simulator replaces it.
        while (!QFileInfo(m_link).isSymLink() || !QFileInfo::exists(m_link)) {
            if (deadline.hasExpired() || m_process.state() != QProcess::Running)
                return false;
            QTest::qWait(10);
        }
        return true;
    }

    // The orderly end: SIGTERM; the simulator removes its link.
    bool stop()
    {
        if (m_process.state() == QProcess::NotRunning)
            return true;
        m_process.terminate();
        return m_process.waitForFinished(5000);
    }

    // The cable pulled: the pseudo-terminal goes at once.
    void kill()
    {
        m_process.kill();
        m_process.waitForFinished(5000);
    }

    QString link() const { return m_link; }
    QString recordPath() const { return QStringLiteral("modemsim-received.log"); }
    QProcess &process() { return m_process; }

private:
    QString m_link;
    QProcess m_process;
};
