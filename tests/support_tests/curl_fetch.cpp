#include "curl_fetch.h"

#include <QCoreApplication>

namespace pg::test {

namespace {

size_t onBody(char* data, size_t size, size_t count, void* user) {
    static_cast<FetchResult*>(user)->body.append(data, qsizetype(size * count));
    return size * count;
}

size_t onHeader(char* data, size_t size, size_t count, void* user) {
    auto* result = static_cast<FetchResult*>(user);
    const QByteArray line = QByteArray(data, qsizetype(size * count)).trimmed();
    if (line.startsWith("HTTP/")) {
        result->headerLines.clear();  // a new response (after a redirect or a 401)
        result->statusLines.append(line);
    }
    if (!line.isEmpty()) {
        result->headerLines.append(line);
    }
    return size * count;
}

}  // namespace

QByteArray FetchResult::header(const QByteArray& name) const {
    for (const QByteArray& line : headerLines) {
        const qsizetype colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).trimmed().compare(name, Qt::CaseInsensitive) == 0) {
            return line.mid(colon + 1).trimmed();
        }
    }
    return {};
}

FetchResult Fetch(const FetchOptions& options) {
    FetchResult result;
    CURL* easy = curl_easy_init();
    const QByteArray url = options.url.toUtf8();
    curl_easy_setopt(easy, CURLOPT_URL, url.constData());
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, onBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &result);
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, onHeader);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, &result);
    curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, options.timeoutMs);
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    if (options.httpAuth != 0) {
        curl_easy_setopt(easy, CURLOPT_HTTPAUTH, options.httpAuth);
    }
    if (!options.userPassword.isEmpty()) {
        curl_easy_setopt(easy, CURLOPT_USERPWD, options.userPassword.constData());
    }
    if (options.resumeFrom > 0) {
        curl_easy_setopt(easy, CURLOPT_RESUME_FROM_LARGE, curl_off_t(options.resumeFrom));
    }
    if (options.followRedirects) {
        curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
    }
    if (!options.postBody.isEmpty()) {
        curl_easy_setopt(easy, CURLOPT_POSTFIELDS, options.postBody.constData());
        curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(options.postBody.size()));
    }
    if (options.headOnly) {
        curl_easy_setopt(easy, CURLOPT_NOBODY, 1L);
    }

    CURLM* multi = curl_multi_init();
    curl_multi_add_handle(multi, easy);
    bool done = false;
    while (!done) {
        int running = 0;
        curl_multi_perform(multi, &running);
        while (CURLMsg* message = curl_multi_info_read(multi, &running)) {
            if (message->msg == CURLMSG_DONE) {
                result.code = message->data.result;
                done = true;
            }
        }
        if (done) {
            break;
        }
        if (options.onTick && !options.onTick(result.body.size())) {
            result.cancelled = true;
            result.code = CURLE_ABORTED_BY_CALLBACK;
            break;
        }
        // Short waits so the servers in this thread keep answering.
        curl_multi_poll(multi, nullptr, 0, 2, nullptr);
        QCoreApplication::processEvents();
    }
    curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &result.status);
    curl_multi_remove_handle(multi, easy);
    curl_easy_cleanup(easy);
    curl_multi_cleanup(multi);
    return result;
}

}  // namespace pg::test
