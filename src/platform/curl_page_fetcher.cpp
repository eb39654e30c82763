#include "platform/curl_page_fetcher.h"

#include "platform/curl_easy.h"
#include "platform/curl_multi.h"

#include <QTimer>

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

// One fetch under way: the handle and where its body goes.
struct CurlPageFetcher::Fetch {
    CurlEasy easy;
    BodyTarget target;
    QString url;
    DoneFn done;
};

CurlPageFetcher::CurlPageFetcher(int connectTimeoutSecs, int stallSecs, qint64 maxPageBytes,
                                 const CurlCookieJar* cookies)
    : connectTimeoutSecs_(connectTimeoutSecs),
      stallSecs_(stallSecs),
      maxPageBytes_(maxPageBytes),
      cookies_(cookies) {}

CurlPageFetcher::~CurlPageFetcher() {
    if (fetch_) {
        CurlMulti::instance().remove(fetch_->easy.get());
    }
}

void CurlPageFetcher::startFetch(const QString& url, const QString& userName,
                                 const QString& password, PageBody& body, DoneFn done) {
    cancel();
    fetch_ = std::make_unique<Fetch>();
    fetch_->easy =
        NewCurlEasy(CurlUrlBytes(url), userName, password, connectTimeoutSecs_, stallSecs_);
    fetch_->url = url;
    fetch_->done = std::move(done);
    CURL* h = fetch_->easy.get();
    fetch_->target = BodyTarget{h, &body, maxPageBytes_, 0, false, {}};
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &Receive);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &fetch_->target);
    curl_easy_setopt(h, CURLOPT_ACCEPT_ENCODING, "");      // any compression libcurl can undo
    curl_easy_setopt(h, CURLOPT_BUFFERSIZE, 512L * 1024);  // fewer, larger pieces to scan
    if (cookies_) {
        cookies_->attachEmptied(h);  // a new job: the last page's cookies go
    }
    CurlMulti::instance().add(h, [this](CURLcode code) { finish(code, false); });
}

void CurlPageFetcher::cancel() {
    if (fetch_) {
        CurlMulti::instance().remove(fetch_->easy.get());
        finish(CURLE_OK, true);
    }
}

void CurlPageFetcher::finish(CURLcode code, bool cancelled) {
    const std::unique_ptr<Fetch> fetch = std::move(fetch_);
    CURL* h = fetch->easy.get();
    PageFetchResult result;
    long status = 0;
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
    char* effective = nullptr;
    curl_easy_getinfo(h, CURLINFO_EFFECTIVE_URL, &effective);
    result.effectiveUrl = effective ? QString::fromUtf8(effective) : fetch->url;
    if (cancelled || fetch->target.tooLarge || code != CURLE_OK) {
        result.failure = cancelled ? QStringLiteral("cancelled")
                         : fetch->target.tooLarge
                             ? QStringLiteral("the page is larger than %1 bytes").arg(maxPageBytes_)
                             : CurlErrorText(code);
    } else {
        result.answered = true;
        // An ftp server that sent the file answers like a web server with 200.
        result.status = IsFtpUrl(result.effectiveUrl) ? 200 : static_cast<int>(status);
        if (result.status != 200) {
            result.failure = QStringLiteral("HTTP status %1").arg(result.status);
        }
    }
    // Always from the event loop, never from within startFetch or cancel.
    QTimer::singleShot(0, [done = std::move(fetch->done), result] { done(result); });
}

}  // namespace pg
