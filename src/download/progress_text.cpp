#include "download/progress_text.h"

#include "download/format.h"

#include <algorithm>
#include <climits>
#include <cmath>

using namespace Qt::StringLiterals;

namespace pg {

std::optional<double> TransferRate(const ProgressSnapshot& snapshot) {
    if (!(snapshot.elapsed > 0) || snapshot.received <= 0) {
        return std::nullopt;
    }
    const double rate = static_cast<double>(snapshot.received) / snapshot.elapsed;
    if (!std::isfinite(rate)) {
        return std::nullopt;
    }
    return rate;
}

std::optional<double> TimeLeft(const ProgressSnapshot& snapshot) {
    const std::optional<double> rate = TransferRate(snapshot);
    if (snapshot.total < 0 || !rate) {
        return std::nullopt;
    }
    // More than announced has arrived: nothing is left, rather than a negative time.
    return std::max(0.0, static_cast<double>(snapshot.total - snapshot.received) / *rate);
}

ProgressTexts MakeProgressTexts(const ProgressSnapshot& snapshot) {
    const QString received = FormatBytes(static_cast<double>(snapshot.received));
    const bool known = snapshot.total >= 0;
    const QString total = known ? FormatBytes(static_cast<double>(snapshot.total)) : QString();

    ProgressTexts texts;
    QString done;
    if (known) {
        // An empty file is complete as soon as it is announced.
        const double percent = snapshot.total > 0 ? static_cast<double>(snapshot.received) /
                                                        static_cast<double>(snapshot.total) * 100
                                                  : 100.0;
        done = FormatNumber(percent, u"##0%");
    } else {
        done = received;
    }
    texts.title = done + u" of "_s + snapshot.targetName + u" completed - "_s +
                  QString::number(snapshot.itemNumber) + u" of "_s +
                  QString::number(snapshot.itemCount);

    const QString copied = known ? received + u" of "_s + total : received;
    const std::optional<double> left = TimeLeft(snapshot);
    const QString time = left ? FormatTime(*left) : u"Unknown"_s;
    texts.timeLabel = time + u" ("_s + copied + u" copied)"_s;

    if (const std::optional<double> rate = TransferRate(snapshot)) {
        texts.rateLabel = FormatRate(*rate);
    }
    return texts;
}

ProgressBarRange MapProgressBar(qint64 received, qint64 total) {
    if (total < 0) {
        return {};
    }
    if (total == 0) {
        return {1, 1};  // an empty file is complete; 0 of 0 would show activity
    }
    qint64 value = std::clamp<qint64>(received, 0, total);
    qint64 maximum = total;
    while (maximum > INT_MAX) {
        maximum >>= 1;
        value >>= 1;
    }
    return {static_cast<int>(value), static_cast<int>(maximum)};
}

}  // namespace pg
