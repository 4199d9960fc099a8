#pragma once

#include <QtGlobal>

#include <functional>
#include <memory>

// A single-shot timer whose timeout runs on the user-interface thread.
class Timer
{
public:
    virtual ~Timer() = default;
    // (Re)starts the count: timeout runs once, no earlier than ms from now.
    virtual void start(qint64 ms) = 0;
    virtual void stop() = 0;
    virtual bool isActive() const = 0;

    std::function<void()> timeout;
};

// The clock and timers the transfer is paced by: the real ones, or a
// virtual clock in tests so that a 208-second transfer runs in milliseconds.
class TimerSource
{
public:
    virtual ~TimerSource() = default;
    // Milliseconds on a monotonic clock.
    virtual qint64 now() const = 0;
    virtual std::unique_ptr<Timer> createTimer() = 0;
};
