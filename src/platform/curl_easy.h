#pragma once

#include <QByteArray>
#include <QString>

#include <curl/curl.h>

#include <memory>

namespace pg {

struct CurlEasyDeleter {
    void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
using CurlEasy = std::unique_ptr<CURL, CurlEasyDeleter>;

// The URL as libcurl takes it: percent-encoded where needed; an http URL that
// names no port gets httpPort (0 keeps the scheme's own port).
QByteArray CurlUrlBytes(const QString& url, int httpPort = 0);

// Options every request of the program shares: http, https and ftp only (also
// on redirects, which are followed), verified TLS, credentials offered with any
// scheme the server asks for and only to the URL's own host, and time-outs for
// the connection and for a stalled transfer (0: no limit).
CurlEasy NewCurlEasy(const QByteArray& url, const QString& userName, const QString& password,
                     int connectTimeoutSecs, int stallSecs);

bool IsFtpUrl(const QString& url);

// libcurl's text for an error code.
QString CurlErrorText(CURLcode code);

}  // namespace pg
