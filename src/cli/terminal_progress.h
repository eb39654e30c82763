#pragma once

#include "download/transfer_observer.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <map>

namespace pg::cli {

// The line a terminal shows for a file under way, at most `width` characters:
//   "[3/10] setup.exe  45% [#########           ] 461 KB of 1.0 MB  41.9 KB/Sec  13 sec"
// and without a known length "[3/10] setup.exe 461 KB  41.9 KB/Sec". The rate
// and the time left appear once they can be told; a long name is shortened in
// its middle so the line fits. Control characters in the name are escaped.
QString ProgressBarLine(const ProgressSnapshot& snapshot, int width);

// The progress of get on the error stream. On a terminal a block of lines is
// redrawn in place, at most ten times a second: a bar line for each file in
// flight and a summary (files done of all, bytes, rate); notes (a failure, a
// resume, a numbered name) go above it. On anything else (a pipe, a file)
// plain lines tell when a file starts, resumes and ends. Every text from a
// page is written with its control characters escaped.
class TerminalProgress : public TransferObserver {
public:
    using WriteFn = std::function<void(const QByteArray&)>;
    using ClockFn = std::function<double()>;  // seconds on a steady clock

    // terminal: redraw lines of `width` characters; clock: empty for the system's.
    TerminalProgress(bool terminal, WriteFn write, int width = 80, ClockFn clock = {});

    // A line of its own, above whatever is drawn.
    void note(const QString& text);
    // Leaves the last figures on screen and ends the block: what follows
    // starts on a line of its own.
    void finish();

    void transferStarted(const TransferItem& item) override;
    void phaseChanged(int itemNumber, TransferPhase phase) override;
    void sourceAndTarget(int, const QString&, const QString&, const QString&) override {}
    void progressReset(int itemNumber, qint64 total) override;
    void progressUpdated(const ProgressSnapshot& snapshot) override;
    void waitingToRetry(int itemNumber, int seconds) override;
    void transferFinished(const TransferItem& item, const TransferOutcome& outcome) override;

    // The summary line: "12 of 300 files, 4.1 MB, 1.2 MB/Sec".
    QString summaryLine() const;

private:
    static constexpr double kRedrawInterval = 0.1;

    double now() const;
    QString prefix(int itemNumber) const;  // "[3/10]"
    void line(const QString& text);
    void redraw(bool now);
    void erase();

    const bool terminal_;
    const WriteFn write_;
    const int width_;
    const ClockFn clock_;
    std::map<int, ProgressSnapshot> inFlight_;  // by item number
    int itemCount_ = 0;
    int ended_ = 0;
    qint64 bytesEnded_ = 0;  // of the files that have ended
    double started_ = -1;
    int drawnLines_ = 0;  // lines of the block on screen, the cursor at the end of the last
    bool stale_ = false;  // figures changed since the block was drawn
    double lastDraw_ = 0;
};

}  // namespace pg::cli
