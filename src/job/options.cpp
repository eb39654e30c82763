#include "job/options.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace pg {

namespace {

bool IsDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

qsizetype NonDigits(const QString& text) {
    return std::count_if(text.begin(), text.end(), [](QChar c) { return !IsDigit(c); });
}

}  // namespace

bool AcceptsOptionFieldEdit(const QString& before, const QString& after) {
    if (NonDigits(after) > NonDigits(before)) {
        return false;
    }
    return after.size() <= kOptionFieldTypedLength || after.size() <= before.size();
}

QString NormalizeOptionField(OptionField field, const QString& text) {
    // The number the text begins with; blanks between digits are skipped.
    qsizetype i = 0;
    while (i < text.size() && text.at(i).isSpace()) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text.at(i) == QLatin1Char('-') || text.at(i) == QLatin1Char('+'))) {
        negative = text.at(i) == QLatin1Char('-');
        ++i;
    }
    QString digits;
    for (; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (IsDigit(c)) {
            digits += c;
        } else if (!c.isSpace()) {
            break;
        }
    }
    while (digits.size() > 1 && digits.startsWith(QLatin1Char('0'))) {
        digits.remove(0, 1);
    }
    QString result = digits.isEmpty() ? QStringLiteral("0") : digits;
    if (negative && result != QLatin1String("0")) {
        result.prepend(QLatin1Char('-'));
    }
    if (result == QLatin1String("0")) {
        if (field == OptionField::HistoryLimit) {
            return QStringLiteral("1");
        }
        if (field == OptionField::RemotePort) {
            return QStringLiteral("80");
        }
    }
    return result;
}

std::optional<int> ToInt16(const QString& text) {
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value)) {
        return std::nullopt;
    }
    const double rounded = std::nearbyint(value);  // the default rounding mode: ties to even
    if (rounded < std::numeric_limits<qint16>::min() ||
        rounded > std::numeric_limits<qint16>::max()) {
        return std::nullopt;
    }
    return static_cast<int>(rounded);
}

int RemotePortFromOption(const QString& remotePort) {
    const auto port = ToInt16(remotePort);
    return port && *port > 0 ? *port : 80;
}

int TimeoutSecsFromOption(const QString& waitSecs) {
    const auto value = ToInt16(waitSecs);
    return value && *value >= 0 ? *value : 60;
}

}  // namespace pg
