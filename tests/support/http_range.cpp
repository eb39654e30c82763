#include "support/http_range.h"

#include "support/http_message.h"

#include <algorithm>

namespace pg::test {

namespace {

std::optional<qint64> parseNumber(const QByteArray& text) {
    if (text.isEmpty()) {
        return std::nullopt;
    }
    bool ok = false;
    const qint64 value = text.toLongLong(&ok);
    if (!ok || value < 0) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

std::optional<ByteRange> ParseRangeHeader(QByteArrayView value) {
    const QByteArray text = value.toByteArray().trimmed();
    if (!text.startsWith("bytes=")) {
        return std::nullopt;
    }
    const QByteArray rangeSet = text.mid(6).trimmed();
    const qsizetype dash = rangeSet.indexOf('-');
    if (dash < 0 || rangeSet.contains(',')) {
        return std::nullopt;
    }
    const QByteArray firstText = rangeSet.left(dash).trimmed();
    const QByteArray lastText = rangeSet.mid(dash + 1).trimmed();
    ByteRange range;
    if (firstText.isEmpty()) {
        const auto suffix = parseNumber(lastText);
        if (!suffix) {
            return std::nullopt;
        }
        range.last = *suffix;
        return range;
    }
    const auto first = parseNumber(firstText);
    if (!first) {
        return std::nullopt;
    }
    range.first = *first;
    if (!lastText.isEmpty()) {
        const auto last = parseNumber(lastText);
        if (!last || *last < *first) {
            return std::nullopt;
        }
        range.last = *last;
    }
    return range;
}

BodySlice PlanBodySlice(const Response& response, QByteArrayView rangeHeader, qint64 totalLength) {
    BodySlice slice;
    slice.status = response.status;
    slice.length = totalLength;
    if (response.status != 200 || !response.honourRange || rangeHeader.isEmpty()) {
        return slice;
    }
    const auto range = ParseRangeHeader(rangeHeader);
    if (!range) {
        return slice;
    }
    qint64 first = range->first;
    qint64 last = totalLength - 1;
    if (first < 0) {
        first = std::max<qint64>(0, totalLength - range->last);  // suffix range
        if (range->last == 0) {
            first = totalLength;  // "bytes=-0" is never satisfiable
        }
    } else if (range->last >= 0) {
        last = std::min(range->last, totalLength - 1);
    }
    if (first >= totalLength) {
        slice.status = 416;
        slice.length = 0;
        slice.contentRange = "bytes */" + QByteArray::number(totalLength);
        return slice;
    }
    slice.status = 206;
    slice.offset = first;
    slice.length = last - first + 1;
    const qint64 claimed = response.contentRangeStart >= 0 ? response.contentRangeStart : first;
    slice.contentRange = "bytes " + QByteArray::number(claimed) + '-' +
                         QByteArray::number(claimed + slice.length - 1) + '/' +
                         QByteArray::number(totalLength);
    return slice;
}

}  // namespace pg::test
