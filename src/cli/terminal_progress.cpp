#include "cli/terminal_progress.h"

#include "cli/terminal_text.h"

#include "download/batch.h"
#include "download/engine.h"
#include "download/format.h"
#include "download/progress_text.h"
#include "download/steady_clock.h"

#include <algorithm>
#include <cmath>
#include <utility>

using namespace Qt::StringLiterals;

namespace pg::cli {

namespace {

constexpr int kBarCells = 20;

}  // namespace

QString ProgressBarLine(const ProgressSnapshot& snapshot, int width) {
    const QString prefix = u"[%1/%2] "_s.arg(snapshot.itemNumber).arg(snapshot.itemCount);
    const QString received = FormatBytes(static_cast<double>(snapshot.received));
    QString figures;
    if (snapshot.total >= 0) {
        const double fraction = snapshot.total > 0
                                    ? std::clamp(static_cast<double>(snapshot.received) /
                                                     static_cast<double>(snapshot.total),
                                                 0.0, 1.0)
                                    : 1.0;
        // Whole percents and cells, rounded down: 100% only when the file is there.
        const int filled = static_cast<int>(fraction * kBarCells);
        figures = u" "_s + FormatNumber(std::floor(fraction * 100), u"##0%").rightJustified(4) +
                  u" ["_s + QString(filled, u'#') + QString(kBarCells - filled, u' ') + u"] "_s +
                  received + u" of "_s + FormatBytes(static_cast<double>(snapshot.total));
    } else {
        figures = u" "_s + received;
    }
    if (const std::optional<double> rate = TransferRate(snapshot)) {
        figures += u"  "_s + FormatRate(*rate);
    }
    if (const std::optional<double> left = TimeLeft(snapshot)) {
        figures += u"  "_s + FormatTime(*left);
    }

    const int room = width - static_cast<int>(prefix.size() + figures.size());
    const QString name = ShortenLabel(
        room, [](const QString& text) { return static_cast<int>(text.size()); },
        EscapeControls(snapshot.targetName));
    QString text = prefix + name + figures;
    if (width > 0 && text.size() > width) {
        text.truncate(width);
    }
    return text;
}

TerminalProgress::TerminalProgress(bool terminal, WriteFn write, int width, ClockFn clock)
    : terminal_(terminal), write_(std::move(write)), width_(width), clock_(std::move(clock)) {}

double TerminalProgress::now() const {
    return clock_ ? clock_() : SteadySeconds();
}

QString TerminalProgress::prefix() const {
    return u"[%1/%2]"_s.arg(current_.itemNumber).arg(current_.itemCount);
}

void TerminalProgress::line(const QString& text) {
    endBar();
    write_(TerminalBytes(text) + '\n');
}

void TerminalProgress::transferStarted(const TransferItem& item) {
    endBar();
    current_ = {};
    current_.itemNumber = item.number;
    current_.itemCount = item.count;
    current_.targetName = GetPathPart(item.targetPath, true);
    if (!terminal_) {
        line(prefix() + u' ' + item.url + u" -> "_s + item.targetPath);
    }
    if (!item.listedTargetPath.isEmpty()) {
        line(prefix() + u' ' + SavedUnderText(item));
    }
}

void TerminalProgress::transferFinished(const TransferItem&, const TransferOutcome& outcome) {
    endBar();
    if (outcome.completed()) {
        if (!terminal_) {
            line(prefix() + u' ' + current_.targetName + u" completed ("_s +
                 FormatBytes(static_cast<double>(current_.received)) + u')');
        }
        return;
    }
    const QString message = LogMessage(outcome);
    const QString why = !message.isEmpty()                                     ? message
                        : outcome.result == TransferOutcome::Result::Cancelled ? u"interrupted."_s
                                                                               : u"incomplete."_s;
    line(prefix() + u' ' + current_.targetName + u" failed: "_s + why);
}

void TerminalProgress::note(const QString& text) {
    line(text);
}

void TerminalProgress::phaseChanged(int, TransferPhase phase) {
    if (phase == TransferPhase::Resuming) {
        line(prefix() + u' ' + PhaseText(phase));
    }
}

void TerminalProgress::waitingToRetry(int, int seconds) {
    line(prefix() + u" server busy, asking again in "_s + FormatTime(seconds));
}

void TerminalProgress::progressReset(int, qint64 total) {
    current_.total = total;
    if (terminal_) {
        draw();
    }
}

void TerminalProgress::progressUpdated(const ProgressSnapshot& snapshot) {
    current_ = snapshot;
    stale_ = true;
    if (terminal_ && (!barShown_ || now() - lastDraw_ >= kRedrawInterval)) {
        draw();
    }
}

void TerminalProgress::draw() {
    // Back to the start of the line, then clear what the last line left beyond this one.
    write_("\r" + ProgressBarLine(current_, width_ - 1).toLocal8Bit() + "\x1b[K");
    barShown_ = true;
    stale_ = false;
    lastDraw_ = now();
}

void TerminalProgress::endBar() {
    if (barShown_) {
        // The last figures may have come between two redraws.
        if (stale_) {
            draw();
        }
        write_("\n");
        barShown_ = false;
    }
}

}  // namespace pg::cli
