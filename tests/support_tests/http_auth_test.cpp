#include "support/http_auth.h"
#include "support/http_message.h"

#include <gtest/gtest.h>

namespace pg::test {
namespace {

RecordedRequest requestWith(const QByteArray& authorization,
                            const QByteArray& target = "/dir/index.html") {
    RecordedRequest request;
    request.method = "GET";
    request.target = target;
    request.path = target;
    request.headers.append({"Authorization", authorization});
    return request;
}

TEST(AuthParams, UnquotesAndKeepsCommasInsideQuotes) {
    const auto params = ParseAuthParams(
        R"(username="Mu\"fasa", realm="a, b", nc=00000001 , qop=auth,URI="/x?a=1,2")");
    EXPECT_EQ(params.value("username"), "Mu\"fasa");
    EXPECT_EQ(params.value("realm"), "a, b");
    EXPECT_EQ(params.value("nc"), "00000001");
    EXPECT_EQ(params.value("qop"), "auth");
    EXPECT_EQ(params.value("uri"), "/x?a=1,2");
}

TEST(BasicAuth, AcceptsOnlyTheRightPair) {
    const RouteAuth auth{AuthScheme::Basic, "user", "pa:ss", "r"};
    EXPECT_TRUE(
        IsAuthorized(auth, requestWith("Basic " + QByteArray("user:pa:ss").toBase64()), {}, {}));
    EXPECT_TRUE(
        IsAuthorized(auth, requestWith("basic " + QByteArray("user:pa:ss").toBase64()), {}, {}));
    EXPECT_FALSE(
        IsAuthorized(auth, requestWith("Basic " + QByteArray("user:pa").toBase64()), {}, {}));
    EXPECT_FALSE(IsAuthorized(auth, requestWith("Basic !!!"), {}, {}));
    EXPECT_FALSE(IsAuthorized(auth, RecordedRequest(), {}, {}));
    EXPECT_EQ(AuthChallenge(auth, {}, {}), "Basic realm=\"r\"");
}

// The worked example of RFC 2617 section 3.5, computed independently of this code.
const RouteAuth kMufasa{AuthScheme::Digest, "Mufasa", "Circle Of Life", "testrealm@host.com"};
const QByteArray kNonce = "dcd98b7102dd2f0e8b11d0f600bfb0c093";
const QByteArray kOpaque = "5ccc069c403ebaf9f0171e9517f40e41";

QByteArray mufasaHeader(const QByteArray& response, const QByteArray& uri = "/dir/index.html") {
    return R"(Digest username="Mufasa", realm="testrealm@host.com", nonce=")" + kNonce +
           R"(", uri=")" + uri + R"(", qop=auth, nc=00000001, cnonce="0a4f113b", response=")" +
           response + R"(", opaque=")" + kOpaque + '"';
}

TEST(DigestAuth, AcceptsTheRfcExample) {
    EXPECT_TRUE(IsAuthorized(kMufasa, requestWith(mufasaHeader("6629fae49393a05397450978507c4ef1")),
                             kNonce, kOpaque));
}

TEST(DigestAuth, RefusesWrongHashNonceUriOrScheme) {
    const QByteArray good = "6629fae49393a05397450978507c4ef1";
    EXPECT_FALSE(IsAuthorized(
        kMufasa, requestWith(mufasaHeader("6629fae49393a05397450978507c4ef2")), kNonce, kOpaque));
    EXPECT_FALSE(IsAuthorized(kMufasa, requestWith(mufasaHeader(good)), "othernonce", kOpaque));
    EXPECT_FALSE(IsAuthorized(kMufasa, requestWith(mufasaHeader(good)), kNonce, "otheropaque"));
    // The hash is right for the uri it names, but that is not the uri requested.
    EXPECT_FALSE(IsAuthorized(kMufasa, requestWith(mufasaHeader(good), "/other"), kNonce, kOpaque));
    EXPECT_FALSE(IsAuthorized(
        kMufasa, requestWith("Basic " + QByteArray("Mufasa:Circle Of Life").toBase64()), kNonce,
        kOpaque));
}

TEST(DigestAuth, ChallengeOffersMd5WithQopAuth) {
    const auto params = ParseAuthParams(AuthChallenge(kMufasa, kNonce, kOpaque).mid(7));
    EXPECT_TRUE(AuthChallenge(kMufasa, kNonce, kOpaque).startsWith("Digest "));
    EXPECT_EQ(params.value("realm"), "testrealm@host.com");
    EXPECT_EQ(params.value("nonce"), kNonce);
    EXPECT_EQ(params.value("opaque"), kOpaque);
    EXPECT_EQ(params.value("qop"), "auth");
    EXPECT_EQ(params.value("algorithm"), "MD5");
}

}  // namespace
}  // namespace pg::test
