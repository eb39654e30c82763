#pragma once

#include <curl/curl.h>

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>

namespace pg::test {

// A libcurl download run the way the program runs them: a multi handle polled
// in small steps while the Qt event loop keeps the in-process servers going.
struct FetchOptions {
    QString url{};
    unsigned long httpAuth = 0;  // CURLAUTH_* for CURLOPT_HTTPAUTH; 0: none
    QByteArray userPassword{};   // "user:password"
    qint64 resumeFrom = 0;
    bool followRedirects = false;
    bool headOnly = false;
    QByteArray postBody{};  // non-empty: a POST with this body
    long timeoutMs = 60000;
    // Called between polls with the bytes received so far; returning false
    // cancels the transfer like a user would (the handle is removed and freed).
    std::function<bool(qint64 received)> onTick{};
};

struct FetchResult {
    CURLcode code = CURLE_OK;
    long status = 0;
    QByteArray body;
    QList<QByteArray> headerLines;  // of the last response only
    QList<QByteArray> statusLines;  // of every response, interim ones included
    bool cancelled = false;

    // Value of a header of the last response, case-insensitive; empty if absent.
    QByteArray header(const QByteArray& name) const;
};

FetchResult Fetch(const FetchOptions& options);

}  // namespace pg::test
