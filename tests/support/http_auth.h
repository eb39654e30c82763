#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QMap>

namespace pg::test {

struct RecordedRequest;

enum class AuthScheme { Basic, Digest };

// Credentials a route of the test server demands.
struct RouteAuth {
    AuthScheme scheme = AuthScheme::Basic;
    QByteArray user;
    QByteArray password;
    QByteArray realm = "pg-test";
};

// The WWW-Authenticate value of a 401 answer. Digest offers MD5 with qop=auth.
QByteArray AuthChallenge(const RouteAuth& auth, const QByteArray& nonce, const QByteArray& opaque);

// True if the request's Authorization header carries the right credentials:
// Basic compares user and password, Digest (RFC 7616, MD5) recomputes the
// response hash from the password and checks realm, nonce, opaque and uri.
bool IsAuthorized(const RouteAuth& auth, const RecordedRequest& request, const QByteArray& nonce,
                  const QByteArray& opaque);

// Parameters of a Digest header ("username=\"u\", nc=00000001, ..."), keys in
// lowercase, quoted values unescaped.
QMap<QByteArray, QByteArray> ParseAuthParams(QByteArrayView text);

// MD5 in lowercase hex, as Digest uses it.
QByteArray Md5Hex(const QByteArray& data);

}  // namespace pg::test
