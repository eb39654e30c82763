#include "support/http_auth.h"

#include "support/http_message.h"

#include <QCryptographicHash>

namespace pg::test {

namespace {

QByteArray quoted(const QByteArray& value) {
    QByteArray escaped = value;
    escaped.replace('\\', "\\\\").replace('"', "\\\"");
    return '"' + escaped + '"';
}

// Splits "Scheme rest" and checks the scheme case-insensitively.
bool takeScheme(const QByteArray& value, QByteArrayView scheme, QByteArray* rest) {
    const QByteArray header = value.trimmed();
    if (header.size() <= scheme.size() || header.at(scheme.size()) != ' ' ||
        header.left(scheme.size()).compare(scheme, Qt::CaseInsensitive) != 0) {
        return false;
    }
    *rest = header.mid(scheme.size()).trimmed();
    return true;
}

bool basicMatches(const RouteAuth& auth, const QByteArray& credentials) {
    const auto decoded =
        QByteArray::fromBase64Encoding(credentials, QByteArray::AbortOnBase64DecodingErrors);
    return decoded && *decoded == auth.user + ':' + auth.password;
}

bool digestMatches(const RouteAuth& auth, const RecordedRequest& request, QByteArrayView text,
                   const QByteArray& nonce, const QByteArray& opaque) {
    const QMap<QByteArray, QByteArray> p = ParseAuthParams(text);
    const QByteArray algorithm = p.value("algorithm", "MD5");
    if (p.value("username") != auth.user || p.value("realm") != auth.realm ||
        p.value("nonce") != nonce || p.value("uri") != request.target ||
        (p.contains("opaque") && p.value("opaque") != opaque) ||
        algorithm.compare("MD5", Qt::CaseInsensitive) != 0) {
        return false;
    }
    const QByteArray ha1 = Md5Hex(auth.user + ':' + auth.realm + ':' + auth.password);
    const QByteArray ha2 = Md5Hex(request.method + ':' + p.value("uri"));
    QByteArray expected;
    if (p.contains("qop")) {
        if (p.value("qop") != "auth" || p.value("nc").isEmpty() || p.value("cnonce").isEmpty()) {
            return false;
        }
        expected = Md5Hex(ha1 + ':' + nonce + ':' + p.value("nc") + ':' + p.value("cnonce") +
                          ":auth:" + ha2);
    } else {
        expected = Md5Hex(ha1 + ':' + nonce + ':' + ha2);  // RFC 2069 clients
    }
    return p.value("response").toLower() == expected;
}

}  // namespace

QByteArray Md5Hex(const QByteArray& data) {
    return QCryptographicHash::hash(data, QCryptographicHash::Md5).toHex();
}

QByteArray AuthChallenge(const RouteAuth& auth, const QByteArray& nonce, const QByteArray& opaque) {
    if (auth.scheme == AuthScheme::Basic) {
        return "Basic realm=" + quoted(auth.realm);
    }
    return "Digest realm=" + quoted(auth.realm) +
           ", qop=\"auth\", algorithm=MD5, nonce=" + quoted(nonce) + ", opaque=" + quoted(opaque);
}

bool IsAuthorized(const RouteAuth& auth, const RecordedRequest& request, const QByteArray& nonce,
                  const QByteArray& opaque) {
    const QByteArray header = request.header("Authorization");
    QByteArray rest;
    if (auth.scheme == AuthScheme::Basic) {
        return takeScheme(header, "Basic", &rest) && basicMatches(auth, rest);
    }
    return takeScheme(header, "Digest", &rest) && digestMatches(auth, request, rest, nonce, opaque);
}

QMap<QByteArray, QByteArray> ParseAuthParams(QByteArrayView view) {
    const QByteArray text = view.toByteArray();
    QMap<QByteArray, QByteArray> params;
    qsizetype i = 0;
    const qsizetype n = text.size();
    auto skipSeparators = [&] {
        while (i < n && (text[i] == ' ' || text[i] == '\t' || text[i] == ',')) {
            ++i;
        }
    };
    while (true) {
        skipSeparators();
        if (i >= n) {
            break;
        }
        const qsizetype keyStart = i;
        while (i < n && text[i] != '=' && text[i] != ',') {
            ++i;
        }
        const QByteArray key = text.mid(keyStart, i - keyStart).trimmed().toLower();
        if (i >= n || text[i] == ',') {
            params.insert(key, {});  // a bare token without a value
            continue;
        }
        ++i;  // '='
        while (i < n && (text[i] == ' ' || text[i] == '\t')) {
            ++i;
        }
        QByteArray value;
        if (i < n && text[i] == '"') {
            ++i;
            while (i < n && text[i] != '"') {
                if (text[i] == '\\' && i + 1 < n) {
                    ++i;
                }
                value.append(text[i]);
                ++i;
            }
            ++i;  // closing quote
        } else {
            const qsizetype valueStart = i;
            while (i < n && text[i] != ',') {
                ++i;
            }
            value = text.mid(valueStart, i - valueStart).trimmed();
        }
        params.insert(key, value);
    }
    return params;
}

}  // namespace pg::test
