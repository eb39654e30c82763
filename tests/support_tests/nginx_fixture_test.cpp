#include "support/nginx_fixture.h"
#include "curl_fetch.h"
#include "support/test_bytes.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QHostAddress>
#include <QTcpServer>
#include <QTemporaryDir>

namespace pg::test {
namespace {

class NginxFixtureTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!NginxFixture::isAvailable()) {
            GTEST_SKIP() << NginxFixture::unavailableReason().toStdString();
        }
        ASSERT_TRUE(root.isValid());
        ASSERT_TRUE(QDir(root.path()).mkpath(QStringLiteral("private")));
        ASSERT_TRUE(WriteTestFile(root.filePath(QStringLiteral("data.bin")), kSize, 3));
        ASSERT_TRUE(WriteTestFile(root.filePath(QStringLiteral("private/secret.bin")), 100, 4));
    }

    static constexpr qint64 kSize = 1 << 20;
    QTemporaryDir root;
};

TEST_F(NginxFixtureTest, ServesFileRangeAndProtectedLocation) {
    NginxFixture nginx({.root = root.path(),
                        .authLocation = QStringLiteral("/private/"),
                        .authUser = QStringLiteral("user"),
                        .authPassword = QStringLiteral("pass")});
    ASSERT_TRUE(nginx.start());

    const FetchResult whole = Fetch({.url = nginx.url("/data.bin")});
    EXPECT_EQ(whole.code, CURLE_OK);
    EXPECT_EQ(whole.status, 200);
    EXPECT_EQ(Sha256(whole.body), Sha256File(root.filePath(QStringLiteral("data.bin"))));

    const FetchResult tail = Fetch({.url = nginx.url("/data.bin"), .resumeFrom = kSize - 10});
    EXPECT_EQ(tail.status, 206);
    EXPECT_EQ(tail.header("Content-Range"), "bytes 1048566-1048575/1048576");
    EXPECT_EQ(tail.body, MakeTestBytesAt(kSize - 10, 10, 3));

    EXPECT_EQ(Fetch({.url = nginx.url("/private/secret.bin")}).status, 401);
    const FetchResult secret = Fetch({.url = nginx.url("/private/secret.bin"),
                                      .httpAuth = CURLAUTH_ANY,
                                      .userPassword = "user:pass"});
    EXPECT_EQ(secret.status, 200);
    EXPECT_EQ(secret.body, MakeTestBytes(100, 4));
    EXPECT_EQ(Fetch({.url = nginx.url("/private/secret.bin"),
                     .httpAuth = CURLAUTH_ANY,
                     .userPassword = "user:wrong"})
                  .status,
              401);
    EXPECT_TRUE(nginx.accessLog().contains(QStringLiteral("/private/secret.bin")));
}

TEST_F(NginxFixtureTest, RestartCutsASlowTransferThatThenResumes) {
    NginxFixture nginx({.root = root.path(), .limitRate = 256 * 1024});
    ASSERT_TRUE(nginx.start());
    const quint16 port = nginx.port();

    bool restarted = false;
    const FetchResult first = Fetch({.url = nginx.url("/data.bin"), .onTick = [&](qint64 received) {
                                         if (!restarted && received > 0) {
                                             restarted = true;
                                             EXPECT_TRUE(nginx.restart());
                                         }
                                         return true;
                                     }});
    ASSERT_TRUE(restarted);
    EXPECT_EQ(first.code, CURLE_PARTIAL_FILE);
    EXPECT_LT(first.body.size(), kSize);
    EXPECT_EQ(nginx.port(), port);

    const FetchResult rest =
        Fetch({.url = nginx.url("/data.bin"), .resumeFrom = first.body.size()});
    EXPECT_EQ(rest.code, CURLE_OK);
    EXPECT_EQ(Sha256(first.body + rest.body),
              Sha256File(root.filePath(QStringLiteral("data.bin"))));
}

TEST_F(NginxFixtureTest, RestartOnATakenPortFailsWithTheErrorLog) {
    NginxFixture nginx({.root = root.path()});
    ASSERT_TRUE(nginx.start());
    nginx.stop();
    QTcpServer squatter;
    ASSERT_TRUE(squatter.listen(QHostAddress::LocalHost, nginx.port()));

    const ::testing::AssertionResult result = nginx.restart();
    EXPECT_FALSE(result);
    EXPECT_FALSE(nginx.isRunning());
    EXPECT_NE(std::string(result.message()).find("Address already in use"), std::string::npos)
        << result.message();
}

}  // namespace
}  // namespace pg::test
