#pragma once

#include "device/timersource.h"

#include <algorithm>
#include <vector>

// A virtual clock for tests: time moves only when the test advances it, and
// each timer fires exactly at its deadline, in time order (ties in the order
// the timers were armed, as the real event loop does).
class VirtualTimerSource final : public TimerSource
{
public:
    qint64 now() const override { return m_now; }
    std::unique_ptr<Timer> createTimer() override { return std::make_unique<VirtualTimer>(*this); }

    void advance(qint64 ms) { advanceTo(m_now + ms); }
    void advanceTo(qint64 time)
    {
        while (VirtualTimer *due = nextDue(time)) {
            m_now = due->m_deadline;
            due->m_active = false;
            if (due->timeout)
                due->timeout(); // may re-arm, create or destroy timers
        }
        m_now = std::max(m_now, time);
    }

    // Alive, armed or not.
    int timerCount() const { return int(m_timers.size()); }
    int armedCount() const
    {
        return int(std::count_if(m_timers.begin(), m_timers.end(),
                                 [](const VirtualTimer *t) { return t->m_active; }));
    }

private:
    struct VirtualTimer final : Timer
    {
        explicit VirtualTimer(VirtualTimerSource &source) : m_source(source)
        {
            m_source.m_timers.push_back(this);
        }
        ~VirtualTimer() override { std::erase(m_source.m_timers, this); }

        void start(qint64 ms) override
        {
            m_deadline = m_source.m_now + std::max<qint64>(0, ms);
            m_order = ++m_source.m_armed;
            m_active = true;
        }
        void stop() override { m_active = false; }
        bool isActive() const override { return m_active; }

        VirtualTimerSource &m_source;
        qint64 m_deadline = 0;
        quint64 m_order = 0;
        bool m_active = false;
    };

    VirtualTimer *nextDue(qint64 limit) const
    {
        VirtualTimer *next = nullptr;
        for (VirtualTimer *t : m_timers) {
            if (t->m_active && t->m_deadline <= limit
                && (!next || std::pair(t->m_deadline, t->m_order)
                                 < std::pair(next->m_deadline, next->m_order)))
                next = t;
        }
        return next;
    }

    qint64 m_now = 0;
    quint64 m_armed = 0;
    std::vector<VirtualTimer *> m_timers;
};
