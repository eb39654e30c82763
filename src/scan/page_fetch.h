#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringConverter>
#include <QStringView>

namespace pg {

// Outcome of one GET of a web page.
struct PageFetchResult {
    bool answered = false;  // the server sent a final answer (any status)
    int status = 0;         // its HTTP status (FTP: 200 when the file was read)
    QString source;         // the body as text (FetchPageSource only)
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

// Fetches a page with a user name and password (empty: none). A fetcher
// implements FetchPage, FetchPageSource or both; each one's default uses the
// other.
class PageFetcher {
public:
    virtual ~PageFetcher() = default;

    // Hands the body of a 200 answer to `body` as it arrives and returns when
    // the answer is complete, or the request failed or was cancelled.
    virtual PageFetchResult FetchPage(const QString& url, const QString& userName,
                                      const QString& password, PageBody& body);
    // The whole body as text.
    virtual PageFetchResult FetchPageSource(const QString& url, const QString& userName,
                                            const QString& password);
    // Ends the fetch under way as a failure. Called from the event loop that
    // the fetch waits in (a key press, a signal); a fetch that does not wait
    // cannot be cancelled.
    virtual void cancel() {}
};

// The encoding of a page: the charset of the Content-Type header, else a
// byte-order mark or a <meta> charset among the first kPageEncodingHeadBytes
// bytes, else UTF-8.
inline constexpr qsizetype kPageEncodingHeadBytes = 1024;
QStringConverter::Encoding PageEncoding(QByteArrayView head, const QByteArray& contentType);

// The body of a page as text, decoded with PageEncoding.
QString DecodePageText(const QByteArray& body, const QByteArray& contentType);

}  // namespace pg
