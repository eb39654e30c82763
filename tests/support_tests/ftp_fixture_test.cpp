#include "support/ftp_fixture.h"
#include "curl_fetch.h"
#include "support/test_bytes.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

namespace pg::test {
namespace {

class FtpFixtureTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!FtpFixture::isAvailable()) {
            GTEST_SKIP() << FtpFixture::unavailableReason().toStdString();
        }
        ASSERT_TRUE(root.isValid());
        ASSERT_TRUE(WriteTestFile(root.filePath(QStringLiteral("data.bin")), kSize, 6));
    }

    static constexpr qint64 kSize = 3 * 1024 * 1024 + 17;
    QTemporaryDir root;
};

TEST_F(FtpFixtureTest, AnonymousDownloadAndResume) {
    FtpFixture ftp({.root = root.path()});
    ASSERT_TRUE(ftp.start());
    const FetchResult whole = Fetch({.url = ftp.url("/data.bin")});
    EXPECT_EQ(whole.code, CURLE_OK);
    EXPECT_EQ(Sha256(whole.body), Sha256File(root.filePath(QStringLiteral("data.bin"))));

    const FetchResult tail = Fetch({.url = ftp.url("/data.bin"), .resumeFrom = kSize - 100});
    EXPECT_EQ(tail.code, CURLE_OK);
    EXPECT_EQ(tail.body, MakeTestBytesAt(kSize - 100, 100, 6));
    EXPECT_TRUE(ftp.commands().contains(QStringLiteral("REST %1").arg(kSize - 100)));
    EXPECT_TRUE(ftp.commands().contains(QStringLiteral("USER anonymous")));
}

TEST_F(FtpFixtureTest, UserLoginNeedsTheRightPassword) {
    FtpFixture ftp(
        {.root = root.path(), .user = QStringLiteral("user"), .password = QStringLiteral("pass")});
    ASSERT_TRUE(ftp.start());
    EXPECT_EQ(Fetch({.url = ftp.url("/data.bin"), .userPassword = "user:wrong"}).code,
              CURLE_LOGIN_DENIED);
    EXPECT_EQ(Fetch({.url = ftp.url("/data.bin")}).code, CURLE_LOGIN_DENIED);
    const FetchResult result = Fetch({.url = ftp.url("/data.bin"), .userPassword = "user:pass"});
    EXPECT_EQ(result.code, CURLE_OK);
    EXPECT_EQ(result.body.size(), kSize);
    EXPECT_TRUE(ftp.commands().contains(QStringLiteral("PASS ****")));
}

TEST_F(FtpFixtureTest, BreakAfterCutsTheDownloadAndRestCompletesIt) {
    const qint64 cut = 1000003;
    FtpFixture ftp({.root = root.path(), .breakAfter = cut});
    ASSERT_TRUE(ftp.start());

    const FetchResult first = Fetch({.url = ftp.url("/data.bin")});
    EXPECT_EQ(first.code, CURLE_PARTIAL_FILE);
    EXPECT_EQ(first.body, MakeTestBytes(cut, 6));

    const FetchResult rest = Fetch({.url = ftp.url("/data.bin"), .resumeFrom = cut});
    EXPECT_EQ(rest.code, CURLE_OK);
    EXPECT_EQ(Sha256(first.body + rest.body),
              Sha256File(root.filePath(QStringLiteral("data.bin"))));

    // Every fresh start is cut again at the same byte.
    EXPECT_EQ(Fetch({.url = ftp.url("/data.bin")}).body.size(), cut);
    const QStringList commands = ftp.commands();
    EXPECT_EQ(commands.count(QStringLiteral("RETR data.bin")), 3)
        << commands.join(u'\n').toStdString();
    EXPECT_EQ(commands.count(QStringLiteral("REST %1").arg(cut)), 1);
}

TEST_F(FtpFixtureTest, BreakCountLimitsTheCuts) {
    FtpFixture ftp({.root = root.path(), .breakAfter = 5000, .breakCount = 1});
    ASSERT_TRUE(ftp.start());
    EXPECT_EQ(Fetch({.url = ftp.url("/data.bin")}).body.size(), 5000);
    EXPECT_EQ(Fetch({.url = ftp.url("/data.bin")}).body.size(), kSize);
}

}  // namespace
}  // namespace pg::test
