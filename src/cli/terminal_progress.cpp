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

QString TerminalProgress::prefix(int itemNumber) const {
    return u"[%1/%2]"_s.arg(itemNumber).arg(itemCount_);
}

QString TerminalProgress::summaryLine() const {
    qint64 bytes = bytesEnded_;
    for (const auto& [number, snapshot] : inFlight_) {
        bytes += snapshot.received;
    }
    QString text =
        u"%1 of %2 files, "_s.arg(ended_).arg(itemCount_) + FormatBytes(static_cast<double>(bytes));
    const double elapsed = started_ >= 0 ? now() - started_ : 0;
    if (elapsed > 0 && bytes > 0) {
        text += u", "_s + FormatRate(static_cast<double>(bytes) / elapsed);
    }
    return text;
}

void TerminalProgress::erase() {
    if (drawnLines_ == 0) {
        return;
    }
    // Up to the block's first line, to its start, and clear from there on.
    QByteArray bytes = drawnLines_ > 1 ? "\x1b[" + QByteArray::number(drawnLines_ - 1) + 'A' : "";
    write_(bytes + "\r\x1b[J");
    drawnLines_ = 0;
}

void TerminalProgress::redraw(bool force) {
    if (!terminal_ || (!force && now() - lastDraw_ < kRedrawInterval)) {
        stale_ = true;
        return;
    }
    erase();
    QStringList lines;
    for (const auto& [number, snapshot] : inFlight_) {
        lines.append(ProgressBarLine(snapshot, width_ - 1));
    }
    lines.append(summaryLine().left(std::max(1, width_ - 1)));
    write_(lines.join(u'\n').toLocal8Bit());
    drawnLines_ = static_cast<int>(lines.size());
    stale_ = false;
    lastDraw_ = now();
}

void TerminalProgress::line(const QString& text) {
    erase();
    write_(TerminalBytes(text) + '\n');
    if (terminal_ && !inFlight_.empty()) {
        redraw(true);
    }
}

void TerminalProgress::finish() {
    if (terminal_ && started_ >= 0) {
        redraw(true);  // the last figures stay on screen
        write_("\n");
        drawnLines_ = 0;
    }
}

void TerminalProgress::transferStarted(const TransferItem& item) {
    if (started_ < 0) {
        started_ = now();
    }
    itemCount_ = item.count;
    ProgressSnapshot& snapshot = inFlight_[item.number];
    snapshot = {};
    snapshot.itemNumber = item.number;
    snapshot.itemCount = item.count;
    snapshot.targetName = GetPathPart(item.targetPath, true);
    if (!terminal_) {
        line(prefix(item.number) + u' ' + item.url + u" -> "_s + item.targetPath);
    }
    if (!item.listedTargetPath.isEmpty()) {
        line(prefix(item.number) + u' ' + SavedUnderText(item));
    }
    redraw(false);
}

void TerminalProgress::transferFinished(const TransferItem& item, const TransferOutcome& outcome) {
    const ProgressSnapshot snapshot = inFlight_[item.number];
    inFlight_.erase(item.number);
    ++ended_;
    bytesEnded_ += snapshot.received;
    const QString name = prefix(item.number) + u' ' + GetPathPart(item.targetPath, true);
    if (outcome.completed()) {
        if (!terminal_) {
            line(name + u" completed ("_s + FormatBytes(static_cast<double>(snapshot.received)) +
                 u')');
        } else {
            redraw(inFlight_.empty());
        }
        return;
    }
    const QString message = LogMessage(outcome);
    const QString why = !message.isEmpty()                                     ? message
                        : outcome.result == TransferOutcome::Result::Cancelled ? u"interrupted."_s
                                                                               : u"incomplete."_s;
    line(name + u" failed: "_s + why);
}

void TerminalProgress::note(const QString& text) {
    line(text);
}

void TerminalProgress::phaseChanged(int itemNumber, TransferPhase phase) {
    if (phase == TransferPhase::Resuming) {
        line(prefix(itemNumber) + u' ' + PhaseText(phase));
    }
}

void TerminalProgress::waitingToRetry(int itemNumber, int seconds) {
    line(prefix(itemNumber) + u" server busy, asking again in "_s + FormatTime(seconds));
}

void TerminalProgress::progressReset(int itemNumber, qint64 total) {
    const auto it = inFlight_.find(itemNumber);
    if (it != inFlight_.end()) {
        it->second.total = total;
        it->second.received = 0;
        redraw(false);
    }
}

void TerminalProgress::progressUpdated(const ProgressSnapshot& snapshot) {
    const auto it = inFlight_.find(snapshot.itemNumber);
    if (it != inFlight_.end()) {
        it->second = snapshot;
        redraw(false);
    }
}

}  // namespace pg::cli
