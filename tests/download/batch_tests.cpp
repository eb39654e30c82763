#include "download/batch.h"
#include "fakes.h"
#include "support/test_bytes.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace pg::test {
namespace {

class BatchTest : public ::testing::Test {
protected:
    BatchReport run(const QStringList& urls, QList<Answer> answers,
                    const QString& incomplete = {}) {
        transport.answers = std::move(answers);
        BatchServices services{transport, ui, ui, cancel, {}};
        return RunBatch(
            services,
            {urls, files, {u"u"_s, u"p"_s}, 8080, 5, log, incomplete, u"http://h/page.html"_s});
    }

    QTemporaryDir dir;
    QString files = dir.filePath(u"files"_s);
    QString log = dir.filePath(u"data/error.log"_s);
    const QByteArray file = MakeTestBytes(3000);
    const Answer ok = Partial(file, 0);
    FakeTransport transport;
    CancelRequest cancel;
    FakeUi ui{cancel, files};
};

TEST_F(BatchTest, EachFailureAddsTwoLinesToAFreshLog) {
    ASSERT_TRUE(QDir().mkpath(dir.filePath(u"data"_s)));
    ASSERT_TRUE(WriteFileBytes(log, "an earlier batch\r\n"));
    const BatchReport report =
        run({u"http://h/1"_s, u"http://h/2"_s, u"http://h/3"_s}, {{404}, ok, {204}});
    EXPECT_EQ(ReadFileBytes(log),
              "http://h/1\r\nFile was not found.\r\nhttp://h/3\r\n"
              "Nothing to download.\r\n");
    EXPECT_EQ(report.attempted, 3);
    EXPECT_EQ(report.downloaded, 1);
    EXPECT_EQ(report.errorsLogged, 2);
    EXPECT_EQ(BatchStatusText(report),
              u"Errors occurred while downloading - please view error log file"_s);
}

TEST_F(BatchTest, FailureThatWouldHitEveryFileEndsTheBatch) {
    const BatchReport report = run({u"http://h/1"_s, u"http://h/2"_s}, {{401}, ok});
    EXPECT_EQ(report.fileCount, 2);
    EXPECT_EQ(report.attempted, 1);
    EXPECT_EQ(transport.offsets.size(), 1);
    EXPECT_EQ(ReadFileBytes(log), "http://h/1\r\nAuthorization failed.\r\n");
}

TEST_F(BatchTest, DeclinedRetryIsLoggedOnlyWithAnIncompleteMessage) {
    for (const QString& message : {QString(), u"Download incomplete."_s}) {
        const BatchReport report = run({u"http://h/1"_s}, {Partial(file, 0, 1000)}, message);
        EXPECT_EQ(report.errorsLogged, message.isEmpty() ? 0 : 1);
        EXPECT_EQ(ReadFileBytes(log),
                  message.isEmpty() ? QByteArray() : "http://h/1\r\n" + message.toUtf8() + "\r\n");
    }
}

TEST_F(BatchTest, FilesAreNamedByTheLastUrlSegmentWithTheQuery) {
    const QString query = u"http://h/get.php?id=3&x=y"_s;
    EXPECT_EQ(BatchTargetPath(files, query), files + u"/get.php?id=3&x=y"_s);
    const BatchReport report =
        run({u"http://h/a.zip"_s, u"http://h/b/c.zip"_s, query}, {ok, ok, ok});
    EXPECT_EQ(BatchStatusText(report), u"3 files downloaded successfully!"_s);
    EXPECT_EQ(FilesIn(files), (QStringList{u"a.zip"_s, u"c.zip"_s, u"get.php?id=3&x=y"_s}));
    EXPECT_EQ(ui.shown.filter(u"item"_s),
              (QStringList{u"item 1 of 3"_s, u"item 2 of 3"_s, u"item 3 of 3"_s}));
    EXPECT_EQ(transport.requests.last().userName, u"u"_s);
    EXPECT_EQ(transport.requests.last().remotePort, 8080);
    EXPECT_EQ(transport.requests.last().timeoutSecs, 5);
}

// The job's credentials go only to the page's own scheme, host and port.
TEST_F(BatchTest, CredentialsGoOnlyWithFilesOnThePagesOwnHost) {
    const std::tuple<QString, QString, bool> rows[] = {
        {u"http://h/p.html"_s, u"http://H:80/f"_s, true},
        {u"http://h/p.html"_s, u"http://h:8080/f"_s, false},
        {u"http://h/p.html"_s, u"https://h/f"_s, false},
        {u"http://h/p.html"_s, u"ftp://h/f"_s, false},
        {u"https://h:8443/p"_s, u"https://h:8443/d/f"_s, true},
        {u"ftp://h/d/"_s, u"ftp://h:21/d/f"_s, true},
        {u"ftp://h/d/"_s, u"ftp://other/d/f"_s, false}};
    for (const auto& [page, url, sent] : rows) {
        const BatchJob job{{}, {}, {u"u"_s, u"p"_s}, 80, 60, {}, {}, page};
        EXPECT_EQ(CredentialsFor(job, url).password, sent ? u"p"_s : QString())
            << url.toStdString();
    }
    run({u"http://h/1"_s, u"http://other/2"_s}, {ok, ok});
    EXPECT_EQ(transport.requests.at(0).userName, u"u"_s);
    EXPECT_EQ(transport.requests.at(1).userName, QString());
}

}  // namespace
}  // namespace pg::test
