#pragma once

#include "device/timersource.h"

#include <QElapsedTimer>

// Real time: precise QTimers on the user-interface thread. A timer that the
// system fires a little early re-arms itself for the rest, so a wait never
// ends before its time.
class QtTimerSource final : public TimerSource
{
public:
    QtTimerSource();
    qint64 now() const override;
    std::unique_ptr<Timer> createTimer() override;

private:
    QElapsedTimer m_clock;
};
