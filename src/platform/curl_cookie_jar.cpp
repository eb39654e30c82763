#include "platform/curl_cookie_jar.h"

namespace pg {

CurlCookieJar::CurlCookieJar() : share_(curl_share_init()) {
    // One thread: the share needs no locks.
    curl_share_setopt(share_, CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE);
}

CurlCookieJar::~CurlCookieJar() {
    curl_share_cleanup(share_);
}

void CurlCookieJar::attach(CURL* easy) const {
    curl_easy_setopt(easy, CURLOPT_SHARE, share_);
    curl_easy_setopt(easy, CURLOPT_COOKIEFILE, "");  // the cookie engine, reading no file
}

void CurlCookieJar::attachEmptied(CURL* easy) const {
    attach(easy);
    curl_easy_setopt(easy, CURLOPT_COOKIELIST, "ALL");
}

}  // namespace pg
