#include "download/format.h"

#include <QLocale>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>
#include <string_view>

using namespace Qt::StringLiterals;

namespace pg {

namespace {

// Digits kept from a double before any rounding: enough for every value a user
// types or a byte count produces, few enough to hide binary fractions (0.15 is
// 0.1499999999999999944... in binary but 0.150000000000000 in 15 digits).
constexpr int kSignificantDigits = 15;

// A finite number in decimal: |value| = 0.digits x 10^pointPos; no digits means zero.
struct Decimal {
    bool negative = false;
    std::string digits;
    int pointPos = 0;
};

Decimal ToDecimal(double value, int significantDigits = kSignificantDigits) {
    Decimal d;
    d.negative = std::signbit(value);
    char buf[64];
    const auto result = std::to_chars(buf, buf + sizeof buf, std::fabs(value),
                                      std::chars_format::scientific, significantDigits - 1);
    // "d.dddddddddddddde+XX"
    const std::string_view text(buf, static_cast<std::size_t>(result.ptr - buf));
    const std::size_t e = text.find('e');
    d.digits.push_back(text[0]);
    d.digits.append(text.substr(2, e - 2));
    std::size_t expStart = e + 1;
    if (text[expStart] == '+') {
        ++expStart;
    }
    int exponent = 0;
    std::from_chars(text.data() + expStart, text.data() + text.size(), exponent);
    d.pointPos = exponent + 1;
    if (d.digits.front() == '0') {
        d.digits.clear();
        d.pointPos = 0;
    }
    return d;
}

// Rounds to the given number of decimals, halves away from zero.
void RoundTo(Decimal& d, int decimals) {
    const int keep = d.pointPos + decimals;
    if (keep >= static_cast<int>(d.digits.size())) {
        return;
    }
    if (keep < 0) {
        d.digits.clear();
        return;
    }
    const bool up = d.digits[static_cast<std::size_t>(keep)] >= '5';
    d.digits.resize(static_cast<std::size_t>(keep));
    if (!up) {
        return;
    }
    int i = keep - 1;
    while (i >= 0 && d.digits[static_cast<std::size_t>(i)] == '9') {
        d.digits[static_cast<std::size_t>(i)] = '0';
        --i;
    }
    if (i >= 0) {
        ++d.digits[static_cast<std::size_t>(i)];
    } else {
        d.digits.insert(d.digits.begin(), '1');
        ++d.pointPos;
    }
}

char DigitAt(const Decimal& d, int index) {
    if (index < 0 || index >= static_cast<int>(d.digits.size())) {
        return '0';
    }
    return d.digits[static_cast<std::size_t>(index)];
}

QString Render(const Decimal& d, int minInt, int minFrac, int maxFrac) {
    QString intPart;
    for (int i = 0; i < d.pointPos; ++i) {
        intPart.append(QLatin1Char(DigitAt(d, i)));
    }
    while (intPart.size() < minInt) {
        intPart.prepend(u'0');
    }
    QString fracPart;
    for (int i = 0; i < maxFrac; ++i) {
        fracPart.append(QLatin1Char(DigitAt(d, d.pointPos + i)));
    }
    while (fracPart.size() > minFrac && fracPart.endsWith(u'0')) {
        fracPart.chop(1);
    }
    const bool zero = d.digits.find_first_not_of('0') == std::string::npos;
    QString out = (d.negative && !zero) ? u"-"_s : QString();
    out += intPart;
    if (!fracPart.isEmpty()) {
        out += QLocale().decimalPoint() + fracPart;
    }
    return out;
}

// No thousands separator, no trailing zeros, up to 15 significant digits (7
// for a single-precision value).
QString GeneralForm(double value, int significantDigits = kSignificantDigits) {
    const Decimal d = ToDecimal(value, significantDigits);
    const int fraction = std::max(0, static_cast<int>(d.digits.size()) - d.pointPos);
    return Render(d, 1, 0, fraction);
}

bool IsPatternChar(QChar c) {
    return c == u'#' || c == u'0' || c == u'.';
}

}  // namespace

QString FormatNumber(double value, QStringView pattern) {
    if (!std::isfinite(value)) {
        return {};
    }
    qsizetype start = 0;
    while (start < pattern.size() && !IsPatternChar(pattern[start])) {
        ++start;
    }
    if (start == pattern.size()) {
        return pattern.toString() + GeneralForm(value);
    }
    qsizetype end = start;
    while (end < pattern.size() && IsPatternChar(pattern[end])) {
        ++end;
    }
    const QStringView digits = pattern.sliced(start, end - start);
    const qsizetype point = digits.indexOf(u'.');
    const QStringView intSpec = point < 0 ? digits : digits.first(point);
    const QStringView fracSpec = point < 0 ? QStringView() : digits.sliced(point + 1);
    const int minInt = static_cast<int>(intSpec.count(u'0'));
    const int maxFrac = static_cast<int>(fracSpec.size() - fracSpec.count(u'.'));
    const int minFrac = static_cast<int>(fracSpec.lastIndexOf(u'0') + 1);

    Decimal d = ToDecimal(value);
    RoundTo(d, maxFrac);
    return pattern.first(start).toString() + Render(d, minInt, minFrac, maxFrac) +
           pattern.sliced(end).toString();
}

QString FormatBytes(double value, const QString& format) {
    constexpr double kKilo = 1024.0;
    constexpr double kMega = 1048576.0;
    constexpr double kGiga = 1073741824.0;
    if (!std::isfinite(value) || value < 0) {
        return {};
    }
    if (value < kKilo) {
        return GeneralForm(value) + u" bytes"_s;
    }
    if (value < kMega) {
        return FormatNumber(value / kKilo, format.isEmpty() ? u"###0"_s : format) + u" KB"_s;
    }
    if (value <= kGiga - 1) {
        return FormatNumber(value / kMega, format.isEmpty() ? u"###0.0"_s : format) + u" MB"_s;
    }
    return FormatNumber(value / kGiga, format.isEmpty() ? u"###0.0"_s : format) + u" GB"_s;
}

QString FormatRate(double bytesPerSecond) {
    constexpr int kSingleDigits = 7;
    if (!std::isfinite(bytesPerSecond) || bytesPerSecond < 0) {
        return {};
    }
    // A rate beyond the single-precision range stays a double (narrowing it is
    // undefined and would give an infinity, shown as nothing).
    const double rate = bytesPerSecond <= std::numeric_limits<float>::max()
                            ? static_cast<float>(bytesPerSecond)
                            : bytesPerSecond;
    const QString bytes = rate < 1024.0 ? GeneralForm(rate, kSingleDigits) + u" bytes"_s
                                        : FormatBytes(rate, u"###.0"_s);
    return bytes + u"/Sec"_s;
}

QString FormatTime(double seconds) {
    if (!std::isfinite(seconds)) {
        return {};
    }
    // Nearest integer with ties to the even one, whatever the FPU rounding mode.
    const auto roundHalfEven = [](double x) { return x - std::remainder(x, 1.0); };
    if (seconds >= 0 && seconds < 60) {
        return FormatNumber(seconds, u"0") + u" sec"_s;
    }
    if (seconds >= 60 && seconds < 3600) {
        return FormatNumber(std::floor(seconds / 60), u"#0") + u" min "_s +
               FormatNumber(std::fmod(roundHalfEven(seconds), 60), u"0") + u" sec"_s;
    }
    return FormatNumber(std::floor(seconds / 3600), u"#0") + u" hr "_s +
           FormatNumber(std::fmod(roundHalfEven(seconds / 60), 60), u"0") + u" min"_s;
}

QString ShortenLabel(int labelWidth, const TextWidthFn& measure, const QString& text) {
    QString result = text;
    qsizetype n = result.size() / 2 - 2;
    int width = measure(result);
    while (width > labelWidth && n > 3) {
        result = result.first(n) + u"..."_s + result.last(n);
        width = measure(result);
        --n;
    }
    return result;
}

QString GetPathPart(const QString& path, bool wantName) {
    const qsizetype last = path.lastIndexOf(u'/');
    if (last < 0) {
        return path;
    }
    return wantName ? path.sliced(last + 1) : path.first(last + 1);
}

}  // namespace pg
