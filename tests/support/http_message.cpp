#include "support/http_message.h"

namespace pg::test {

std::optional<QByteArray> FindHeader(const HeaderList& headers, QByteArrayView name) {
    for (const auto& [key, value] : headers) {
        if (key.compare(name, Qt::CaseInsensitive) == 0) {
            return value;
        }
    }
    return std::nullopt;
}

QByteArray RecordedRequest::header(QByteArrayView name) const {
    return FindHeader(headers, name).value_or(QByteArray());
}

bool RecordedRequest::hasHeader(QByteArrayView name) const {
    return FindHeader(headers, name).has_value();
}

std::optional<RecordedRequest> ParseRequestHead(const QByteArray& head) {
    const QList<QByteArray> lines = head.split('\n');
    if (lines.isEmpty()) {
        return std::nullopt;
    }
    const QList<QByteArray> parts = lines.first().trimmed().split(' ');
    if (parts.size() != 3 || parts[0].isEmpty() || !parts[1].startsWith('/') ||
        !parts[2].startsWith("HTTP/")) {
        return std::nullopt;
    }
    RecordedRequest request;
    request.method = parts[0];
    request.target = parts[1];
    request.version = parts[2];
    const qsizetype question = request.target.indexOf('?');
    request.path = question < 0 ? request.target : request.target.left(question);
    request.query = question < 0 ? QByteArray() : request.target.mid(question + 1);
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines[i].trimmed();
        if (line.isEmpty()) {
            continue;
        }
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0) {
            return std::nullopt;
        }
        request.headers.append({line.left(colon).trimmed(), line.mid(colon + 1).trimmed()});
    }
    return request;
}

Response& Response::addHeader(const QByteArray& name, const QByteArray& value) {
    headers.append({name, value});
    return *this;
}

Response Response::withBody(const QByteArray& body, const QByteArray& contentType) {
    Response response;
    response.body = body;
    response.addHeader("Content-Type", contentType);
    return response;
}

Response Response::withStatus(int status, const QByteArray& body) {
    Response response;
    response.status = status;
    response.body = body;
    return response;
}

Response Response::redirect(const QByteArray& location, int status) {
    Response response = withStatus(status);
    response.addHeader("Location", location);
    return response;
}

QByteArray ReasonPhrase(int status) {
    switch (status) {
        case 100:
            return "Continue";
        case 200:
            return "OK";
        case 201:
            return "Created";
        case 204:
            return "No Content";
        case 206:
            return "Partial Content";
        case 301:
            return "Moved Permanently";
        case 302:
            return "Found";
        case 303:
            return "See Other";
        case 304:
            return "Not Modified";
        case 307:
            return "Temporary Redirect";
        case 308:
            return "Permanent Redirect";
        case 400:
            return "Bad Request";
        case 401:
            return "Unauthorized";
        case 403:
            return "Forbidden";
        case 404:
            return "Not Found";
        case 405:
            return "Method Not Allowed";
        case 408:
            return "Request Timeout";
        case 410:
            return "Gone";
        case 416:
            return "Range Not Satisfiable";
        case 429:
            return "Too Many Requests";
        case 500:
            return "Internal Server Error";
        case 502:
            return "Bad Gateway";
        case 503:
            return "Service Unavailable";
        case 504:
            return "Gateway Timeout";
        default:
            return "Unknown";
    }
}

}  // namespace pg::test
