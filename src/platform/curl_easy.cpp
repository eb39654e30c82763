#include "platform/curl_easy.h"

#include "download/file_names.h"
#include "version.h"

#include <QUrl>

namespace pg {

QByteArray CurlUrlBytes(const QString& url, int httpPort) {
    const QUrl parsed(url, QUrl::TolerantMode);
    QByteArray bytes = RequestUrlBytes(url);
    if (httpPort <= 0 || parsed.scheme().compare(QLatin1String("http"), Qt::CaseInsensitive) != 0 ||
        parsed.port() != -1) {
        return bytes;
    }
    CURLU* handle = curl_url();
    if (curl_url_set(handle, CURLUPART_URL, bytes.constData(), CURLU_NON_SUPPORT_SCHEME) ==
        CURLUE_OK) {
        const QByteArray port = QByteArray::number(httpPort);
        char* joined = nullptr;
        if (curl_url_set(handle, CURLUPART_PORT, port.constData(), 0) == CURLUE_OK &&
            curl_url_get(handle, CURLUPART_URL, &joined, 0) == CURLUE_OK) {
            bytes = QByteArray(joined);
            curl_free(joined);
        }
    }
    curl_url_cleanup(handle);
    return bytes;
}

CurlEasy NewCurlEasy(const QByteArray& url, const QString& userName, const QString& password,
                     int connectTimeoutSecs, int stallSecs) {
    CurlEasy easy(curl_easy_init());
    CURL* h = easy.get();
    curl_easy_setopt(h, CURLOPT_URL, url.constData());  // libcurl copies strings it is given
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https,ftp");
    curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https,ftp");
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(h, CURLOPT_MAXREDIRS, 20L);
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_USERAGENT, "Pagegleaner/" PG_VERSION_STRING);
    if (!userName.isEmpty() || !password.isEmpty()) {
        curl_easy_setopt(h, CURLOPT_USERNAME, userName.toUtf8().constData());
        curl_easy_setopt(h, CURLOPT_PASSWORD, password.toUtf8().constData());
        curl_easy_setopt(h, CURLOPT_HTTPAUTH, CURLAUTH_ANY);
    }
    // A reused ftp control connection can stall after its reply to EPSV
    // (libcurl 7.88): every ftp request logs in afresh.
    if (url.startsWith("ftp") || url.startsWith("FTP")) {
        curl_easy_setopt(h, CURLOPT_FORBID_REUSE, 1L);
        curl_easy_setopt(h, CURLOPT_FRESH_CONNECT, 1L);
    }
    if (connectTimeoutSecs > 0) {
        curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, static_cast<long>(connectTimeoutSecs));
    }
    if (stallSecs > 0) {
        curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
        curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, static_cast<long>(stallSecs));
    }
    return easy;
}

bool IsFtpUrl(const QString& url) {
    return url.startsWith(QLatin1String("ftp://"), Qt::CaseInsensitive);
}

QString CurlErrorText(CURLcode code) {
    return QString::fromUtf8(curl_easy_strerror(code));
}

}  // namespace pg
