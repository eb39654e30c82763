#include "support/test_http_server.h"
#include "curl_fetch.h"
#include "support/event_loop.h"
#include "support/test_bytes.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <QTimer>

namespace pg::test {
namespace {

const QByteArray kBody = MakeTestBytes(300000, 42);

class TestHttpServerTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(server.isListening()); }

    FetchResult fetch(const QByteArray& path, FetchOptions options = {}) {
        options.url = server.url(path);
        return Fetch(options);
    }

    TestHttpServer server;
};

TEST_F(TestHttpServerTest, ServesBodyAndRecordsRequest) {
    server.setRoute("/data.bin", Response::withBody(kBody));
    const FetchResult result = fetch("/data.bin?v=1");
    EXPECT_EQ(result.code, CURLE_OK);
    EXPECT_EQ(result.status, 200);
    EXPECT_EQ(result.body, kBody);
    EXPECT_EQ(result.header("Accept-Ranges"), "bytes");
    ASSERT_EQ(server.requestCount("/data.bin"), 1);
    const RecordedRequest request = server.requests().first();
    EXPECT_EQ(request.method, "GET");
    EXPECT_EQ(request.target, "/data.bin?v=1");
    EXPECT_EQ(request.header("HOST"), QStringLiteral("127.0.0.1:%1").arg(server.port()).toUtf8());
    EXPECT_FALSE(request.hasHeader("Range"));

    EXPECT_EQ(fetch("/missing").status, 404);
    EXPECT_TRUE(RunEventLoopUntil([&] { return server.openConnectionCount() == 0; }));
}

TEST_F(TestHttpServerTest, RangeGivesPartialContentAndPastEndGives416) {
    server.setRoute("/data.bin", Response::withBody(kBody));
    FetchOptions options;
    options.resumeFrom = 123457;
    const FetchResult partial = fetch("/data.bin", options);
    EXPECT_EQ(partial.code, CURLE_OK);
    EXPECT_EQ(partial.status, 206);
    EXPECT_EQ(partial.header("Content-Range"), "bytes 123457-299999/300000");
    EXPECT_EQ(partial.body, kBody.mid(123457));
    EXPECT_EQ(server.requests().last().header("Range"), "bytes=123457-");

    options.resumeFrom = kBody.size() + 10;
    const FetchResult beyond = fetch("/data.bin", options);
    EXPECT_EQ(beyond.status, 416);
    EXPECT_EQ(beyond.header("Content-Range"), "bytes */300000");
}

TEST_F(TestHttpServerTest, IgnoredRangeAndWrongContentRangeReachTheClient) {
    Response ignoring = Response::withBody(kBody);
    ignoring.honourRange = false;
    server.setRoute("/ignoring", ignoring);
    Response lying = Response::withBody(kBody);
    lying.contentRangeStart = 0;
    server.setRoute("/lying", lying);

    FetchOptions options;
    options.resumeFrom = 1000;
    const FetchResult whole = fetch("/ignoring", options);
    EXPECT_EQ(whole.status, 200);
    EXPECT_TRUE(whole.header("Content-Range").isEmpty());
    // curl itself refuses a 200 to a resumed request.
    EXPECT_EQ(whole.code, CURLE_RANGE_ERROR);

    const FetchResult wrong = fetch("/lying", options);
    EXPECT_EQ(wrong.status, 206);
    EXPECT_EQ(wrong.header("Content-Range"), "bytes 0-298999/300000");
}

TEST_F(TestHttpServerTest, BreakAfterCutsTheBodyAndHandlerServesTheResume) {
    server.setRoute("/flaky", [](const RecordedRequest& request) {
        Response response = Response::withBody(kBody);
        if (request.index == 0) {
            response.breakAfter = 70000;
        }
        return response;
    });
    const FetchResult first = fetch("/flaky");
    EXPECT_EQ(first.code, CURLE_PARTIAL_FILE);
    EXPECT_EQ(first.header("Content-Length"), "300000");
    EXPECT_EQ(first.body, kBody.left(70000));

    FetchOptions options;
    options.resumeFrom = first.body.size();
    const FetchResult second = fetch("/flaky", options);
    EXPECT_EQ(second.code, CURLE_OK);
    EXPECT_EQ(first.body + second.body, kBody);
    const QList<RecordedRequest> attempts = server.requestsFor("/flaky");
    ASSERT_EQ(attempts.size(), 2);
    EXPECT_FALSE(attempts[0].hasHeader("Range"));
    EXPECT_EQ(attempts[1].header("Range"), "bytes=70000-");
}

TEST_F(TestHttpServerTest, ChunkedBodyWholeAndCut) {
    Response chunked = Response::withBody(kBody);
    chunked.chunked = true;
    server.setRoute("/chunked", chunked);
    chunked.breakAfter = 100000;
    server.setRoute("/chunked-cut", chunked);

    const FetchResult whole = fetch("/chunked");
    EXPECT_EQ(whole.code, CURLE_OK);
    EXPECT_EQ(whole.header("Transfer-Encoding"), "chunked");
    EXPECT_TRUE(whole.header("Content-Length").isEmpty());
    EXPECT_EQ(whole.body, kBody);

    const FetchResult cut = fetch("/chunked-cut");
    EXPECT_NE(cut.code, CURLE_OK);
    EXPECT_EQ(cut.body, kBody.left(100000));
}

TEST_F(TestHttpServerTest, NoContentLengthEndsWithTheConnection) {
    Response response = Response::withBody(kBody);
    response.sendContentLength = false;
    server.setRoute("/unsized", response);
    const FetchResult result = fetch("/unsized");
    EXPECT_EQ(result.code, CURLE_OK);
    EXPECT_TRUE(result.header("Content-Length").isEmpty());
    EXPECT_EQ(result.body, kBody);
}

TEST_F(TestHttpServerTest, PostBodyIsRecordedAndContinueIsSent) {
    server.setRoute("/upload", [](const RecordedRequest& request) {
        return Response::withBody(Sha256(request.body));
    });
    const QByteArray upload = MakeTestBytes(3 * 1024 * 1024, 5);
    FetchOptions options;
    options.postBody = upload;
    const FetchResult result = fetch("/upload", options);
    EXPECT_EQ(result.body, Sha256(upload));
    // curl asks before sending a large body; an answer saves it a one-second wait.
    EXPECT_EQ(result.statusLines.value(0), "HTTP/1.1 100 Continue");
    EXPECT_EQ(server.requests().last().method, "POST");
    EXPECT_EQ(server.requests().last().header("Expect"), "100-continue");
}

TEST_F(TestHttpServerTest, HeadAnnouncesLengthWithoutBody) {
    server.setRoute("/data.bin", Response::withBody(kBody));
    FetchOptions options;
    options.headOnly = true;
    const FetchResult result = fetch("/data.bin", options);
    EXPECT_EQ(result.code, CURLE_OK);
    EXPECT_EQ(result.header("Content-Length"), "300000");
    EXPECT_TRUE(result.body.isEmpty());
    EXPECT_EQ(server.requests().last().method, "HEAD");
}

struct AuthCase {
    const char* name;
    AuthScheme scheme;
    QByteArray credentials;
    long status;
};

class TestHttpServerAuthTest : public TestHttpServerTest,
                               public ::testing::WithParamInterface<AuthCase> {};

TEST_P(TestHttpServerAuthTest, CurlAuthAnyLogsInOnlyWithTheRightPassword) {
    const AuthCase& c = GetParam();
    server.setRoute("/secret", Response::withBody("hidden"));
    if (c.scheme == AuthScheme::Basic) {
        server.setBasicAuth("/secret", "user", "s3cret:x");
    } else {
        server.setDigestAuth("/secret", "user", "s3cret:x");
    }
    FetchOptions options;
    options.httpAuth = CURLAUTH_ANY;
    options.userPassword = c.credentials;
    const FetchResult result = fetch("/secret?q=1", options);
    EXPECT_EQ(result.status, c.status);
    EXPECT_EQ(result.body == "hidden", c.status == 200);

    // curl first asks without credentials and learns the scheme from the challenge.
    const QList<RecordedRequest> attempts = server.requestsFor("/secret");
    ASSERT_EQ(attempts.size(), 2);
    EXPECT_FALSE(attempts[0].hasHeader("Authorization"));
    const QByteArray scheme = c.scheme == AuthScheme::Basic ? "Basic " : "Digest ";
    EXPECT_TRUE(attempts[1].header("Authorization").startsWith(scheme));
}

INSTANTIATE_TEST_SUITE_P(
    Schemes, TestHttpServerAuthTest,
    ::testing::Values(AuthCase{"BasicRight", AuthScheme::Basic, "user:s3cret:x", 200},
                      AuthCase{"BasicWrong", AuthScheme::Basic, "user:s3cret", 401},
                      AuthCase{"DigestRight", AuthScheme::Digest, "user:s3cret:x", 200},
                      AuthCase{"DigestWrongPassword", AuthScheme::Digest, "user:nope", 401},
                      AuthCase{"DigestWrongUser", AuthScheme::Digest, "other:s3cret:x", 401}),
    [](const auto& param) { return std::string(param.param.name); });

TEST_F(TestHttpServerTest, RedirectIsFollowed) {
    server.setRedirect("/old", server.url("/new").toUtf8(), 301);
    server.setRedirect("/relative", "/new");
    server.setRoute("/new", Response::withBody("moved here"));
    FetchOptions options;
    options.followRedirects = true;
    EXPECT_EQ(fetch("/old", options).body, "moved here");
    EXPECT_EQ(fetch("/relative", options).body, "moved here");
    EXPECT_EQ(server.requestCount("/new"), 2);

    const FetchResult unfollowed = fetch("/relative");
    EXPECT_EQ(unfollowed.status, 302);
    EXPECT_EQ(unfollowed.header("Location"), "/new");
}

TEST_F(TestHttpServerTest, FileBodyStreamsWithRange) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const qint64 size = 24 * 1024 * 1024 + 5;
    const QString path = dir.filePath(QStringLiteral("big.bin"));
    ASSERT_TRUE(WriteTestFile(path, size, 9));
    server.setRoute("/big.bin", Response::fromFile(path));

    const FetchResult whole = fetch("/big.bin");
    EXPECT_EQ(whole.code, CURLE_OK);
    EXPECT_EQ(whole.body.size(), size);
    EXPECT_EQ(Sha256(whole.body), Sha256File(path));

    FetchOptions options;
    options.resumeFrom = size - 1000;
    const FetchResult tail = fetch("/big.bin", options);
    EXPECT_EQ(tail.status, 206);
    EXPECT_EQ(tail.body, MakeTestBytesAt(size - 1000, 1000, 9));
}

TEST_F(TestHttpServerTest, ThrottledBodyCanBeCancelledMidway) {
    Response slow = Response::withBody(kBody);
    slow.throttleBytes = 1000;
    slow.throttleIntervalMs = 5;
    server.setRoute("/slow", slow);
    FetchOptions options;
    options.onTick = [](qint64 received) { return received < 5000; };
    const FetchResult result = fetch("/slow", options);
    EXPECT_TRUE(result.cancelled);
    EXPECT_GE(result.body.size(), 5000);
    EXPECT_LT(result.body.size(), kBody.size());
    EXPECT_EQ(result.body, kBody.left(result.body.size()));
    // The server notices the client going away and drops the connection.
    EXPECT_TRUE(RunEventLoopUntil([&] { return server.openConnectionCount() == 0; }));
    EXPECT_EQ(server.finishedResponseCount(), 0);
}

TEST_F(TestHttpServerTest, NeverAnswerTimesOutAndDelayedAnswerArrives) {
    Response silent;
    silent.neverAnswer = true;
    server.setRoute("/silent", silent);
    Response late = Response::withBody("late");
    late.headerDelayMs = 200;
    server.setRoute("/late", late);

    FetchOptions options;
    options.timeoutMs = 500;
    EXPECT_EQ(fetch("/silent", options).code, CURLE_OPERATION_TIMEDOUT);
    EXPECT_TRUE(RunEventLoopUntil([&] { return server.requestCount("/silent") == 1; }));

    options.timeoutMs = 30000;
    EXPECT_EQ(fetch("/late", options).body, "late");
}

TEST_F(TestHttpServerTest, StopClosesHangingConnectionsAndStartReusesThePort) {
    Response silent;
    silent.neverAnswer = true;
    server.setRoute("/silent", silent);
    FetchOptions options;
    bool stopped = false;
    options.onTick = [&](qint64) {
        if (!stopped && server.requestCount("/silent") == 1) {
            server.stop();
            stopped = true;
        }
        return true;
    };
    const quint16 port = server.port();
    const FetchResult result = fetch("/silent", options);
    EXPECT_TRUE(stopped);
    EXPECT_EQ(result.code, CURLE_GOT_NOTHING);
    EXPECT_EQ(server.openConnectionCount(), 0);
    EXPECT_EQ(fetch("/silent", {}).code, CURLE_COULDNT_CONNECT);

    ASSERT_TRUE(server.start());
    EXPECT_EQ(server.port(), port);
    server.setRoute("/back", Response::withBody("back"));
    EXPECT_EQ(fetch("/back").body, "back");
}

TEST(RunEventLoopUntil, ReturnsWhenThePredicateTurnsTrueOrTimesOut) {
    bool flag = false;
    QTimer::singleShot(20, [&] { flag = true; });
    EXPECT_TRUE(RunEventLoopUntil([&] { return flag; }, 30000));
    EXPECT_FALSE(RunEventLoopUntil([] { return false; }, 30));
}

}  // namespace
}  // namespace pg::test
