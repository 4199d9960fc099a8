#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

#include <functional>

// Runs the event loop until done() or the deadline, looking every lookMs:
// a benchmark waits as the program does, without blocking the loop.
inline bool spinUntil(const std::function<bool()> &done, int ms, int lookMs = 10)
{
    QDeadlineTimer deadline(ms);
    QTimer look;
    look.start(lookMs);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return done();
}
