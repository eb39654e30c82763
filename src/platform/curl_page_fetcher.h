#pragma once

#include "scan/page_fetch.h"

namespace pg {

// Fetches a page through libcurl (http, https, ftp; any authentication scheme
// the server asks for). While it waits, the event loop runs without user input:
// windows repaint, but clicks and keys wait until the page is there.
class CurlPageFetcher : public PageFetcher {
public:
    // connectTimeoutSecs bounds the connection; stallSecs the wait for more data.
    explicit CurlPageFetcher(int connectTimeoutSecs = 30, int stallSecs = 60);

    PageFetchResult FetchPageSource(const QString& url, const QString& userName,
                                    const QString& password) override;

private:
    int connectTimeoutSecs_;
    int stallSecs_;
};

}  // namespace pg
