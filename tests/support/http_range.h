#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

namespace pg::test {

struct Response;

// A single byte range [first, last] from a Range header; last is -1 for "N-".
// Suffix ranges ("-K") have first == -1 and last == K.
struct ByteRange {
    qint64 first = -1;
    qint64 last = -1;
};

// Parses "bytes=N-", "bytes=N-M" and "bytes=-K". Several ranges or any other
// form give nullopt, and the server then ignores the header as HTTP allows.
std::optional<ByteRange> ParseRangeHeader(QByteArrayView value);

// Which part of a body of totalLength bytes an answer carries, and how.
struct BodySlice {
    int status = 200;
    qint64 offset = 0;
    qint64 length = 0;
    QByteArray contentRange;  // empty: no Content-Range header
};

// Applies the Range header (empty if none) to a response whose full body has
// totalLength bytes.
BodySlice PlanBodySlice(const Response& response, QByteArrayView rangeHeader, qint64 totalLength);

}  // namespace pg::test
