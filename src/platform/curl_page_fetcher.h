#pragma once

#include "platform/curl_cookie_jar.h"
#include "scan/page_fetch.h"

#include <curl/curl.h>

#include <memory>

namespace pg {

// Fetches a page through libcurl (http, https, ftp; any authentication scheme
// the server asks for) on the event loop and hands the body over while it
// arrives. A window that must not react meanwhile holds its input back itself
// and lets only a cancel through.
class CurlPageFetcher : public PageFetcher {
public:
    // The most a page may hold after decompression; a larger one is refused.
    static constexpr qint64 kMaxPageBytes = qint64(1) << 30;

    // connectTimeoutSecs bounds the connection; stallSecs the wait for more data.
    // With a cookie jar, each fetch empties it and keeps what the page's
    // answers set, for the page's files.
    explicit CurlPageFetcher(int connectTimeoutSecs = 30, int stallSecs = 60,
                             qint64 maxPageBytes = kMaxPageBytes,
                             const CurlCookieJar* cookies = nullptr);

    ~CurlPageFetcher() override;

    void startFetch(const QString& url, const QString& userName, const QString& password,
                    PageBody& body, DoneFn done) override;
    void cancel() override;

private:
    struct Fetch;
    void finish(CURLcode code, bool cancelled);

    int connectTimeoutSecs_;
    int stallSecs_;
    qint64 maxPageBytes_;
    const CurlCookieJar* cookies_;
    std::unique_ptr<Fetch> fetch_;  // the fetch under way
};

}  // namespace pg
