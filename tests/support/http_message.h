#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <optional>
#include <utility>

namespace pg::test {

using HeaderList = QList<std::pair<QByteArray, QByteArray>>;

// One request as the test server received it.
struct RecordedRequest {
    int index = -1;      // order of arrival on the server, from 0
    QByteArray method;   // "GET", "HEAD", ...
    QByteArray target;   // path with query, exactly as sent
    QByteArray path;     // target without the query
    QByteArray query;    // after '?', without it
    QByteArray version;  // "HTTP/1.1"
    HeaderList headers;  // in the order sent
    QByteArray body;

    // First value of a header, names compared case-insensitively; empty if absent.
    QByteArray header(QByteArrayView name) const;
    bool hasHeader(QByteArrayView name) const;
};

// Parses a request line and headers (everything before the blank line).
std::optional<RecordedRequest> ParseRequestHead(const QByteArray& head);

// What the test server answers. Plain data, so tests can build it inline.
struct Response {
    int status = 200;
    QByteArray body;
    HeaderList headers;  // sent after the generated ones; a name given here replaces
                         // the generated Content-Type and Accept-Ranges
    bool sendContentLength = true;
    bool chunked = false;
    // Answer "Range: bytes=N-", "bytes=N-M" and "bytes=-K" on a 200 with 206 and the
    // slice, or 416 when the range starts past the end.
    bool honourRange = true;
    // >= 0: claim this start in Content-Range instead of the real one (a faulty
    // server); the end is start + bytes sent - 1.
    qint64 contentRangeStart = -1;
    // >= 0: close the connection after this many body bytes although the headers
    // announce the full length (a broken transfer).
    qint64 breakAfter = -1;
    bool neverAnswer = false;  // read the request, then stay silent until the server stops
    // > 0: send at most this many body bytes per tick so a client can be stopped mid-body.
    qint64 throttleBytes = 0;
    int throttleIntervalMs = 0;  // tick length; 0: every pass of the event loop

    Response& addHeader(const QByteArray& name, const QByteArray& value);

    static Response withBody(const QByteArray& body,
                             const QByteArray& contentType = "application/octet-stream");
    static Response withStatus(int status, const QByteArray& body = {});
    static Response redirect(const QByteArray& location, int status = 302);
};

// "OK", "Not Found", ...; "Unknown" for codes without a usual phrase.
QByteArray ReasonPhrase(int status);

// Finds a header by name, case-insensitively.
std::optional<QByteArray> FindHeader(const HeaderList& headers, QByteArrayView name);

}  // namespace pg::test
