#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringConverter>
#include <QStringView>

#include <functional>

namespace pg {

// Outcome of one GET of a web page.
struct PageFetchResult {
    bool answered = false;  // the server sent a final answer (any status)
    int status = 0;         // its HTTP status (FTP: 200 when the file was read)
    QString failure;        // what went wrong, for messages on the command line
    QString effectiveUrl;   // the URL of the last request, after redirects

    bool retrieved() const { return answered && status == 200; }
};

// Takes the body of a page while it arrives: bytes as the server sent them
// (any Content-Encoding undone) with the answer's Content-Type, or text that a
// fetcher decoded itself.
class PageBody {
public:
    virtual ~PageBody() = default;
    // The page was redirected and came from this URL in the end; told before
    // the first piece of the body.
    virtual void redirectedTo(const QString& url) { Q_UNUSED(url); }
    virtual void bytes(QByteArrayView data, const QByteArray& contentType) = 0;
    virtual void text(QStringView text) = 0;
};

// Fetches a page with a user name and password (empty: none), one at a time,
// on the event loop.
class PageFetcher {
public:
    using DoneFn = std::function<void(const PageFetchResult& result)>;

    virtual ~PageFetcher() = default;

    // Starts the GET. The body of a 200 answer goes to `body` as it arrives
    // (`body` must live until done); `done` follows from the event loop, never
    // from within this call, once the answer is complete or the request failed
    // or was cancelled. A fetch still under way is cancelled first.
    virtual void startFetch(const QString& url, const QString& userName, const QString& password,
                            PageBody& body, DoneFn done) = 0;
    // Ends the fetch under way as a failure ("cancelled"); its done follows.
    // Nothing happens when none runs.
    virtual void cancel() = 0;
};

// The encoding of a page: the charset of the Content-Type header, else a
// byte-order mark or a <meta> charset among the first kPageEncodingHeadBytes
// bytes, else UTF-8.
inline constexpr qsizetype kPageEncodingHeadBytes = 1024;
QStringConverter::Encoding PageEncoding(QByteArrayView head, const QByteArray& contentType);

// The body of a page as text, decoded with PageEncoding.
QString DecodePageText(const QByteArray& body, const QByteArray& contentType);

}  // namespace pg
