#pragma once

#include <functional>
#include <memory>

// SIGTERM (a shutdown, a kill), SIGHUP (the terminal went away) and SIGINT
// (Ctrl+C) end the program from its event loop, the way M_Exit does: a
// handler can do almost nothing safely, so it only wakes the loop. Nothing
// on Windows, where the session's end reaches the program as
// QGuiApplication::commitDataRequest.
class EndSignals
{
public:
    // Installs the handlers, but leaves a signal ignored from the start
    // ignored. A signal from now on waits for the event loop (the main one
    // or a message box's) and is handed to `end` there; the same signal
    // again ends the program at once, should the first not get through.
    explicit EndSignals(std::function<void()> end);
    // The handlers found at construction come back.
    ~EndSignals();
    EndSignals(const EndSignals &) = delete;
    EndSignals &operator=(const EndSignals &) = delete;

    // A signal has been handed to `end`.
    bool arrived() const;

private:
    struct Wake;
    std::unique_ptr<Wake> m_wake;
};
