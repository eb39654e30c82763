#pragma once

#include <QSocketNotifier>

#include <csignal>
#include <functional>
#include <memory>

namespace pg::cli {

// Catches Ctrl+C (SIGINT), SIGTERM and SIGHUP for as long as it lives and
// reports them from the Qt event loop, so that a stopped download cleans up
// after itself. The signal handler only sets a flag and writes a byte to a
// pipe; a socket notifier on the pipe wakes whichever event loop is waiting
// (the transfer's, for one) and calls onInterrupt there, where it may touch
// anything. A second signal of a kind ends the program the usual way.
// One watch at a time.
class InterruptWatch {
public:
    explicit InterruptWatch(std::function<void()> onInterrupt);
    ~InterruptWatch();  // puts the earlier handling of the signals back
    InterruptWatch(const InterruptWatch&) = delete;
    InterruptWatch& operator=(const InterruptWatch&) = delete;

    // True once a signal arrived, even before the event loop has run.
    bool interrupted() const;

private:
    int pipe_[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> notifier_;
    struct sigaction previous_[3] = {};
    std::function<void()> onInterrupt_;
};

}  // namespace pg::cli
