#include "platform/curl_page_fetcher.h"

#include "platform/curl_easy.h"
#include "platform/curl_multi.h"

#include <QEventLoop>

namespace pg {

namespace {

size_t AppendBody(char* data, size_t size, size_t count, void* target) {
    static_cast<QByteArray*>(target)->append(data, static_cast<qsizetype>(size * count));
    return size * count;
}

}  // namespace

CurlPageFetcher::CurlPageFetcher(int connectTimeoutSecs, int stallSecs)
    : connectTimeoutSecs_(connectTimeoutSecs), stallSecs_(stallSecs) {}

PageFetchResult CurlPageFetcher::FetchPageSource(const QString& url, const QString& userName,
                                                 const QString& password) {
    PageFetchResult result;
    QByteArray body;
    CurlEasy easy =
        NewCurlEasy(CurlUrlBytes(url), userName, password, connectTimeoutSecs_, stallSecs_);
    CURL* h = easy.get();
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &AppendBody);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &body);
    curl_easy_setopt(h, CURLOPT_ACCEPT_ENCODING, "");  // any compression libcurl can undo

    bool done = false;
    CURLcode code = CURLE_OK;
    QEventLoop loop;
    CurlMulti::instance().add(h, [&](CURLcode c) {
        code = c;
        done = true;
        loop.quit();
    });
    if (!done) {
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }

    long status = 0;
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
    char* effective = nullptr;
    curl_easy_getinfo(h, CURLINFO_EFFECTIVE_URL, &effective);
    result.effectiveUrl = effective ? QString::fromUtf8(effective) : url;

    if (code != CURLE_OK) {
        result.failure = CurlErrorText(code);
        return result;
    }
    result.answered = true;
    // An ftp server that sent the file answers like a web server with 200.
    result.status = IsFtpUrl(result.effectiveUrl) ? 200 : static_cast<int>(status);
    if (result.status != 200) {
        result.failure = QStringLiteral("HTTP status %1").arg(result.status);
        return result;
    }
    char* contentType = nullptr;
    curl_easy_getinfo(h, CURLINFO_CONTENT_TYPE, &contentType);
    result.source = DecodePageText(body, contentType ? QByteArray(contentType) : QByteArray());
    return result;
}

}  // namespace pg
