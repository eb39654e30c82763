#include "download/response_headers.h"

#include <QDateTime>
#include <QLocale>
#include <QString>

#include <limits>

using namespace Qt::StringLiterals;

namespace pg {

namespace {

// Beyond this a head is no file's head; later lines are not kept (libcurl
// refuses such heads long before).
constexpr qsizetype kMaxStoredHead = 1 << 20;

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

QByteArrayView TrimBlanks(QByteArrayView text) {
    while (!text.isEmpty() && IsBlank(text.front())) {
        text = text.sliced(1);
    }
    while (!text.isEmpty() && IsBlank(text.back())) {
        text.chop(1);
    }
    return text;
}

QByteArrayView WithoutLineEnd(QByteArrayView line) {
    if (line.endsWith('\n')) {
        line.chop(1);
    }
    if (line.endsWith('\r')) {
        line.chop(1);
    }
    return line;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Decimal digits only, no sign, at most 63 bits.
std::optional<qint64> ParseNumber(QByteArrayView text) {
    if (text.isEmpty()) {
        return std::nullopt;
    }
    qint64 value = 0;
    for (const char c : text) {
        if (!IsDigit(c) || value > (std::numeric_limits<qint64>::max() - (c - '0')) / 10) {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
    }
    return value;
}

}  // namespace

std::optional<QDateTime> ParseHttpDate(QByteArrayView text) {
    // Only printable ASCII: the asctime form's blanks are folded below, and a
    // line break folded there would otherwise pass into a request header.
    for (const char byte : text) {
        const auto u = static_cast<unsigned char>(byte);
        if (u < 0x20 || u > 0x7e) {
            return std::nullopt;
        }
    }
    const QString date = QString::fromLatin1(text);
    const QLocale c = QLocale::c();
    for (const auto& [form, value] : {std::pair{u"ddd, dd MMM yyyy hh:mm:ss 'GMT'"_s, date},
                                      std::pair{u"dddd, dd-MMM-yy hh:mm:ss 'GMT'"_s, date},
                                      std::pair{u"ddd MMM d hh:mm:ss yyyy"_s, date.simplified()}}) {
        QDateTime parsed = c.toDateTime(value, form);
        if (parsed.isValid()) {
            parsed.setTimeSpec(Qt::UTC);
            return parsed;
        }
    }
    return std::nullopt;
}

std::optional<qint64> ParseRetryAfter(QByteArrayView value, const QDateTime& now) {
    value = TrimBlanks(value);
    if (const std::optional<qint64> seconds = ParseNumber(value)) {
        return seconds;
    }
    if (const std::optional<QDateTime> date = ParseHttpDate(value)) {
        return std::max<qint64>(0, now.secsTo(*date));
    }
    return std::nullopt;
}

std::optional<ContentRange> ParseContentRange(QByteArrayView value) {
    value = TrimBlanks(value);
    if (value.size() < 6 || QByteArrayView(value.first(5)).compare("bytes", Qt::CaseInsensitive) ||
        !IsBlank(value[5])) {
        return std::nullopt;
    }
    value = TrimBlanks(value.sliced(6));
    const qsizetype slash = value.indexOf('/');
    if (slash < 0) {
        return std::nullopt;
    }
    const QByteArrayView range = value.first(slash), complete = value.sliced(slash + 1);
    ContentRange result;
    if (complete != "*") {
        const std::optional<qint64> length = ParseNumber(complete);
        if (!length) {
            return std::nullopt;
        }
        result.completeLength = *length;
    }
    if (range == "*") {
        return result.completeLength >= 0 ? std::optional(result) : std::nullopt;
    }
    const qsizetype dash = range.indexOf('-');
    if (dash < 0) {
        return std::nullopt;
    }
    const std::optional<qint64> first = ParseNumber(range.first(dash));
    const std::optional<qint64> last = ParseNumber(range.sliced(dash + 1));
    if (!first || !last || *first > *last ||
        (result.completeLength >= 0 && *last >= result.completeLength)) {
        return std::nullopt;
    }
    result.first = *first;
    result.last = *last;
    return result;
}

std::optional<int> ParseStatusLine(QByteArrayView line) {
    line = WithoutLineEnd(line);
    if (!line.startsWith("HTTP/")) {
        return std::nullopt;
    }
    // "HTTP/" DIGIT ["." DIGIT] SP 3DIGIT [SP reason]
    qsizetype at = 5;
    if (at >= line.size() || !IsDigit(line[at++])) {
        return std::nullopt;
    }
    if (at + 1 < line.size() && line[at] == '.' && IsDigit(line[at + 1])) {
        at += 2;
    }
    if (at + 4 > line.size() || line[at] != ' ' || !IsDigit(line[at + 1]) ||
        !IsDigit(line[at + 2]) || !IsDigit(line[at + 3]) ||
        (at + 4 < line.size() && line[at + 4] != ' ')) {
        return std::nullopt;
    }
    return (line[at + 1] - '0') * 100 + (line[at + 2] - '0') * 10 + (line[at + 3] - '0');
}

bool IsStrongETag(QByteArrayView value) {
    value = TrimBlanks(value);
    if (value.size() < 2 || !value.startsWith('"') || !value.endsWith('"')) {
        return false;
    }
    for (const char c : value.sliced(1, value.size() - 2)) {
        const auto u = static_cast<unsigned char>(c);
        if (u <= 0x20 || u == '"' || u == 0x7f) {
            return false;
        }
    }
    return true;
}

QByteArray IfRangeValidator(QByteArrayView etag, QByteArrayView lastModified) {
    if (IsStrongETag(etag)) {
        return TrimBlanks(etag).toByteArray();
    }
    lastModified = TrimBlanks(lastModified);
    return ParseHttpDate(lastModified) ? lastModified.toByteArray() : QByteArray();
}

void ResponseHead::addLine(QByteArrayView line) {
    if (const std::optional<int> status = ParseStatusLine(line)) {
        status_ = *status;
        ended_ = false;
        lines_.clear();
        stored_ = 0;
        return;
    }
    if (status_ == 0 || ended_) {
        return;  // before a status line, or trailers after the head
    }
    line = WithoutLineEnd(line);
    if (line.isEmpty()) {
        ended_ = true;
    } else if (stored_ + line.size() <= kMaxStoredHead) {
        lines_.append(line.toByteArray());
        stored_ += line.size();
    }
}

QByteArray ResponseHead::value(QByteArrayView name) const {
    for (const QByteArray& line : lines_) {
        const qsizetype colon = line.indexOf(':');
        if (colon > 0 &&
            QByteArrayView(line).first(colon).compare(name, Qt::CaseInsensitive) == 0) {
            return TrimBlanks(QByteArrayView(line).sliced(colon + 1)).toByteArray();
        }
    }
    return {};
}

}  // namespace pg
