#pragma once

#include "download/transfer_observer.h"

#include <QByteArray>
#include <QString>

#include <functional>

namespace pg::cli {

// The line a terminal shows for a file under way, at most `width` characters:
//   "[3/10] setup.exe  45% [#########           ] 461 KB of 1.0 MB  41.9 KB/Sec  13 sec"
// and without a known length "[3/10] setup.exe 461 KB  41.9 KB/Sec". The rate
// and the time left appear once they can be told; a long name is shortened in
// its middle so the line fits. Control characters in the name are escaped.
QString ProgressBarLine(const ProgressSnapshot& snapshot, int width);

// The progress of get on the error stream. On a terminal one line per file is
// redrawn in place, at most ten times a second, and ended with a newline; on
// anything else (a pipe, a file) plain lines tell when a file starts, resumes
// and ends. Every text from a page is written with its control characters
// escaped.
class TerminalProgress : public TransferObserver {
public:
    using WriteFn = std::function<void(const QByteArray&)>;
    using ClockFn = std::function<double()>;  // seconds on a steady clock

    // terminal: redraw a bar line of `width` characters; clock: empty for the system's.
    TerminalProgress(bool terminal, WriteFn write, int width = 80, ClockFn clock = {});

    // A line of its own, after whatever was drawn.
    void note(const QString& text);

    void transferStarted(const TransferItem& item) override;
    void phaseChanged(int itemNumber, TransferPhase phase) override;
    void sourceAndTarget(int, const QString&, const QString&, const QString&) override {}
    void progressReset(int itemNumber, qint64 total) override;
    void progressUpdated(const ProgressSnapshot& snapshot) override;
    void waitingToRetry(int itemNumber, int seconds) override;
    void transferFinished(const TransferItem& item, const TransferOutcome& outcome) override;

private:
    static constexpr double kRedrawInterval = 0.1;

    double now() const;
    QString prefix() const;  // "[3/10]"
    void line(const QString& text);
    void draw();
    void endBar();

    const bool terminal_;
    const WriteFn write_;
    const int width_;
    const ClockFn clock_;
    ProgressSnapshot current_;
    bool barShown_ = false;  // a bar line is on screen without its newline
    bool stale_ = false;     // current_ changed since the bar was drawn
    double lastDraw_ = 0;
};

}  // namespace pg::cli
