#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QList>
#include <QtGlobal>

#include <optional>

// The parts of an HTTP answer's head that a file transfer relies on, parsed
// without any network code so that every rule can be tried on plain bytes.
// Each function takes any bytes and never fails otherwise than by its result.

namespace pg {

// A Content-Range value: "bytes FIRST-LAST/COMPLETE", "bytes FIRST-LAST/*" or,
// in an answer to a range that could not be served, "bytes */COMPLETE".
struct ContentRange {
    qint64 first = -1;           // first byte of the body in the file; -1 in the "*/N" form
    qint64 last = -1;            // last byte, inclusive; -1 in the "*/N" form
    qint64 completeLength = -1;  // length of the whole file; -1 when the server gave "*"

    bool unsatisfied() const { return first < 0; }
    bool operator==(const ContentRange&) const = default;
};

// Parses a Content-Range value. The unit "bytes" matches in any case; blanks
// (spaces, tabs) may surround the value and follow the unit. Numbers are
// decimal digits only and fit 63 bits. Nothing when the value breaks a rule:
// first > last, last >= a known complete length, or "*/*".
std::optional<ContentRange> ParseContentRange(QByteArrayView value);

// The status code of an HTTP status line ("HTTP/1.1 206 Partial Content" and
// "HTTP/2 200", with or without the line end), or nothing when the line is not
// one.
std::optional<int> ParseStatusLine(QByteArrayView line);

// True for a strong entity tag: a quoted string ("xyz") of visible characters,
// without the weak prefix W/. Blanks around it are allowed.
bool IsStrongETag(QByteArrayView value);

// What a resume sends in If-Range so that a changed file is sent whole rather
// than spliced: the strong ETag, else the Last-Modified date (an HTTP date),
// trimmed; empty when neither can serve (a weak ETag never does).
QByteArray IfRangeValidator(QByteArrayView etag, QByteArrayView lastModified);

// An HTTP date: the usual form "Sun, 06 Nov 1994 08:49:37 GMT", or one of the
// two obsolete forms that a client must still read; in UTC.
std::optional<QDateTime> ParseHttpDate(QByteArrayView text);

// A Retry-After value as seconds from `now`: a number of seconds, or an HTTP
// date (a date already past gives 0). Nothing when it is neither.
std::optional<qint64> ParseRetryAfter(QByteArrayView value, const QDateTime& now);

// The heads of the answers to one request as they arrive, line by line, with
// the lines of redirects and interim (1xx) answers: each status line starts a
// new head, and the last one is what counts.
class ResponseHead {
public:
    // One line as received, its CR LF (or LF) included or not.
    void addLine(QByteArrayView line);

    // A status line arrived and the empty line that ends its head followed.
    // A connection cut inside the head leaves this false.
    bool ended() const { return status_ > 0 && ended_; }
    // The last head's status code; 0 before any status line.
    int status() const { return status_; }
    // The trimmed value of the last head's first header of that name (any
    // case); empty when absent.
    QByteArray value(QByteArrayView name) const;

private:
    int status_ = 0;
    bool ended_ = false;
    qsizetype stored_ = 0;     // bytes kept in lines_
    QList<QByteArray> lines_;  // the last head's header lines, without line ends
};

}  // namespace pg
