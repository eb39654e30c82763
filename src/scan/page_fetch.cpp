#include "scan/page_fetch.h"

namespace pg {

// Fetchers that give the whole text hand it over at once.
PageFetchResult PageFetcher::FetchPage(const QString& url, const QString& userName,
                                       const QString& password, PageBody& body) {
    PageFetchResult result = FetchPageSource(url, userName, password);
    if (result.retrieved()) {
        if (!result.effectiveUrl.isEmpty() && result.effectiveUrl != url) {
            body.redirectedTo(result.effectiveUrl);
        }
        body.text(result.source);
    }
    result.source.clear();
    return result;
}

// Fetchers that stream the body have it collected and decoded.
PageFetchResult PageFetcher::FetchPageSource(const QString& url, const QString& userName,
                                             const QString& password) {
    struct Collected : PageBody {
        void bytes(QByteArrayView data, const QByteArray& type) override {
            body.append(data);
            contentType = type;
        }
        void text(QStringView text) override { source.append(text); }
        QByteArray body;
        QByteArray contentType;
        QString source;
    } collected;
    PageFetchResult result = FetchPage(url, userName, password, collected);
    result.source = collected.source + DecodePageText(collected.body, collected.contentType);
    return result;
}

}  // namespace pg
