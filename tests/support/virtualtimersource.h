#pragma once

#include "loader/timersource.h"

#include <QtGlobal>

#include <algorithm>
#include <vector>

// A virtual clock for tests: time moves only when the test advances it, and
// every timer fires at exactly its deadline, in time order (ties in the
// order the timers were armed).
class VirtualTimerSource final : public TimerSource
{
public:
    qint64 now() const override { return m_now; }

    std::unique_ptr<Timer> createTimer() override { return std::make_unique<VirtualTimer>(*this); }

    // Fires every timer due up to now() + ms, then leaves the clock there.
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

    // Advances until no timer is armed or the limit is reached; returns
    // whether everything ran out before the limit.
    bool runUntilIdle(qint64 limitMs = 24 * 3600 * 1000)
    {
        const qint64 end = m_now + limitMs;
        while (VirtualTimer *due = nextDue(end)) {
            m_now = due->m_deadline;
            due->m_active = false;
            if (due->timeout)
                due->timeout();
        }
        return nextDue(end) == nullptr && !anyActive();
    }

    // The earliest deadline of an armed timer, or -1.
    qint64 nextDeadline() const
    {
        const VirtualTimer *next = nullptr;
        for (const VirtualTimer *t : m_timers) {
            if (t->m_active && (!next || t->m_deadline < next->m_deadline))
                next = t;
        }
        return next ? next->m_deadline : -1;
    }

    int armedCount() const
    {
        return int(std::count_if(m_timers.begin(), m_timers.end(),
                                 [](const VirtualTimer *t) { return t->m_active; }));
    }

private:
    class VirtualTimer final : public Timer
    {
    public:
        explicit VirtualTimer(VirtualTimerSource &source)
            : m_source(source)
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
            if (!t->m_active || t->m_deadline > limit)
                continue;
            if (!next || t->m_deadline < next->m_deadline
                || (t->m_deadline == next->m_deadline && t->m_order < next->m_order))
                next = t;
        }
        return next;
    }

    bool anyActive() const { return armedCount() > 0; }

    qint64 m_now = 0;
    quint64 m_armed = 0;
    std::vector<VirtualTimer *> m_timers;
};
