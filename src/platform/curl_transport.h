#pragma once

#include "download/transport.h"
#include "platform/curl_cookie_jar.h"

namespace pg {

// File transfers through libcurl, driven by the Qt event loop (http, https,
// ftp). Every request asks for a byte range, also the first one (from 0).
// With a cookie jar, the files of a page get the cookies its answers set.
class CurlTransport : public Transport {
public:
    explicit CurlTransport(const CurlCookieJar* cookies = nullptr) : cookies_(cookies) {}

    std::unique_ptr<TransferSession> start(const TransferRequest& request,
                                           TransferListener& listener) override;

private:
    const CurlCookieJar* cookies_;
};

}  // namespace pg
