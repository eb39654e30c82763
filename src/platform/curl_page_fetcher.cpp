#include "platform/curl_page_fetcher.h"

#include "platform/curl_easy.h"
#include "platform/curl_multi.h"

#include <QEventLoop>

namespace pg {

namespace {

// Where the body goes: to the page only from a 200 answer (the bodies of a
// 401 challenge or an error page are not the page), and never past the limit.
struct BodyTarget {
    CURL* easy;
    PageBody* body;
    qint64 limit;
    qint64 received = 0;
    bool tooLarge = false;
    QByteArray contentType;
};

size_t Receive(char* data, size_t size, size_t count, void* target) {
    auto& to = *static_cast<BodyTarget*>(target);
    const size_t bytes = size * count;
    const auto length = static_cast<qint64>(bytes);
    to.received += length;
    if (to.received > to.limit) {
        to.tooLarge = true;
        return 0;  // ends the transfer, and any decompression with it
    }
    // Asked on every piece: an answer may follow another on the same handle.
    long status = 0;
    curl_easy_getinfo(to.easy, CURLINFO_RESPONSE_CODE, &status);
    char* url = nullptr;
    if (status != 200 && (curl_easy_getinfo(to.easy, CURLINFO_EFFECTIVE_URL, &url) != CURLE_OK ||
                          !url || !IsFtpUrl(QString::fromUtf8(url)))) {
        return size * count;
    }
    if (to.contentType.isNull()) {
        char* type = nullptr;
        curl_easy_getinfo(to.easy, CURLINFO_CONTENT_TYPE, &type);
        to.contentType = type ? QByteArray(type) : QByteArray("");
        // Relative links of a page that was redirected are relative to where
        // it ended up; a page that was not keeps the URL as typed.
        long redirects = 0;
        curl_easy_getinfo(to.easy, CURLINFO_REDIRECT_COUNT, &redirects);
        if (redirects > 0 && curl_easy_getinfo(to.easy, CURLINFO_EFFECTIVE_URL, &url) == CURLE_OK &&
            url) {
            to.body->redirectedTo(QString::fromUtf8(url));
        }
    }
    to.body->bytes(QByteArrayView(data, length), to.contentType);
    return size * count;
}

}  // namespace

CurlPageFetcher::CurlPageFetcher(int connectTimeoutSecs, int stallSecs, qint64 maxPageBytes)
    : connectTimeoutSecs_(connectTimeoutSecs), stallSecs_(stallSecs), maxPageBytes_(maxPageBytes) {}

void CurlPageFetcher::cancel() {
    if (stop_) {
        stop_();
    }
}

PageFetchResult CurlPageFetcher::FetchPage(const QString& url, const QString& userName,
                                           const QString& password, PageBody& body) {
    PageFetchResult result;
    CurlEasy easy =
        NewCurlEasy(CurlUrlBytes(url), userName, password, connectTimeoutSecs_, stallSecs_);
    CURL* h = easy.get();
    BodyTarget target{h, &body, maxPageBytes_, 0, false, {}};
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &Receive);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &target);
    curl_easy_setopt(h, CURLOPT_ACCEPT_ENCODING, "");      // any compression libcurl can undo
    curl_easy_setopt(h, CURLOPT_BUFFERSIZE, 512L * 1024);  // fewer, larger pieces to scan

    bool done = false;
    bool cancelled = false;
    CURLcode code = CURLE_OK;
    QEventLoop loop;
    CurlMulti::instance().add(h, [&](CURLcode c) {
        code = c;
        done = true;
        loop.quit();
    });
    stop_ = [&] {
        if (!done) {
            CurlMulti::instance().remove(h);
            cancelled = done = true;
            loop.quit();
        }
    };
    if (!done) {
        loop.exec();
    }
    stop_ = nullptr;

    long status = 0;
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
    char* effective = nullptr;
    curl_easy_getinfo(h, CURLINFO_EFFECTIVE_URL, &effective);
    result.effectiveUrl = effective ? QString::fromUtf8(effective) : url;

    if (cancelled || target.tooLarge || code != CURLE_OK) {
        result.failure = cancelled ? QStringLiteral("cancelled")
                         : target.tooLarge
                             ? QStringLiteral("the page is larger than %1 bytes").arg(maxPageBytes_)
                             : CurlErrorText(code);
        return result;
    }
    result.answered = true;
    // An ftp server that sent the file answers like a web server with 200.
    result.status = IsFtpUrl(result.effectiveUrl) ? 200 : static_cast<int>(status);
    if (result.status != 200) {
        result.failure = QStringLiteral("HTTP status %1").arg(result.status);
    }
    return result;
}

}  // namespace pg
