#pragma once

#include <curl/curl.h>

namespace pg {

// The cookies of one job, in memory only: the page's answers (its redirects
// included) set them, and the file requests send them back to the hosts they
// belong to, as a browser would. Nothing is written to disk; a new page
// retrieval starts without any.
class CurlCookieJar {
public:
    CurlCookieJar();
    ~CurlCookieJar();
    CurlCookieJar(const CurlCookieJar&) = delete;
    CurlCookieJar& operator=(const CurlCookieJar&) = delete;

    // Lets a request take and send the jar's cookies.
    void attach(CURL* easy) const;
    // Attaches a request and drops every cookie held: a new job begins.
    void attachEmptied(CURL* easy) const;

private:
    CURLSH* share_;
};

}  // namespace pg
