#pragma once

#include "download/transfer_observer.h"

#include <QString>

#include <optional>

namespace pg {

// Average transfer rate in bytes per second since the start clock; none while
// nothing has arrived or no time has passed.
std::optional<double> TransferRate(const ProgressSnapshot& snapshot);

// Seconds left at the average rate, never below 0; none while the length or the rate
// is unknown.
// The engine keeps the last value to show when a transfer breaks off.
std::optional<double> TimeLeft(const ProgressSnapshot& snapshot);

// The texts a progress update shows.
struct ProgressTexts {
    QString title;      // "45% of setup.exe completed - 3 of 10"
    QString timeLabel;  // "13 sec (461 KB of 1.0 MB copied)"
    QString rateLabel;  // "41.9 KB/Sec"
};

ProgressTexts MakeProgressTexts(const ProgressSnapshot& snapshot);

// A progress bar position in the int range a QProgressBar takes. maximum 0 means an
// unknown length (the bar shows activity).
struct ProgressBarRange {
    int value = 0;
    int maximum = 0;
    bool operator==(const ProgressBarRange&) const = default;
};

// Exact when total fits an int, scaled down by a power of two otherwise; received is
// kept within 0..total. An empty file (total 0) shows a full bar.
ProgressBarRange MapProgressBar(qint64 received, qint64 total);

}  // namespace pg
