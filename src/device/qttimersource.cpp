#include "device/qttimersource.h"

#include <QTimer>

namespace {

class QtTimer final : public Timer
{
public:
    explicit QtTimer(const QtTimerSource &source)
        : m_source(source)
    {
        m_timer.setSingleShot(true);
        m_timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { fired(); });
    }

    void start(qint64 ms) override
    {
        m_deadline = m_source.now() + ms;
        arm(ms);
    }
    void stop() override { m_timer.stop(); }
    bool isActive() const override { return m_timer.isActive(); }

private:
    void arm(qint64 ms) { m_timer.start(int(qBound(qint64(0), ms, qint64(0x7fffffff)))); }

    void fired()
    {
        const qint64 left = m_deadline - m_source.now();
        if (left > 0) {
            arm(left);
            return;
        }
        if (timeout)
            timeout();
    }

    const QtTimerSource &m_source;
    QTimer m_timer;
    qint64 m_deadline = 0;
};

} // namespace

QtTimerSource::QtTimerSource()
{
    m_clock.start();
}

qint64 QtTimerSource::now() const
{
    return m_clock.elapsed();
}

std::unique_ptr<Timer> QtTimerSource::createTimer()
{
    return std::make_unique<QtTimer>(*this);
}
