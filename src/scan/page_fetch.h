#pragma once

#include <QByteArray>
#include <QString>

namespace pg {

// Outcome of one GET of a web page.
struct PageFetchResult {
    bool answered = false;  // the server sent a final answer (any status)
    int status = 0;         // its HTTP status (FTP: 200 when the file was read)
    QString source;         // the body as text
    QString failure;        // what went wrong, for messages on the command line
    QString effectiveUrl;   // the URL of the last request, after redirects

    bool retrieved() const { return answered && status == 200; }
};

// Fetches a page with a user name and password (empty: none). The call returns
// when the whole answer is there or the request failed.
class PageFetcher {
public:
    virtual ~PageFetcher() = default;
    virtual PageFetchResult FetchPageSource(const QString& url, const QString& userName,
                                            const QString& password) = 0;
};

// The body of a page as text: the charset of the Content-Type header, else a
// byte-order mark or a <meta> charset, else UTF-8.
QString DecodePageText(const QByteArray& body, const QByteArray& contentType);

}  // namespace pg
