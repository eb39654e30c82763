#include "download/batch.h"
#include "download/error_log.h"
#include "fakes.h"
#include "support/test_bytes.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <cerrno>

using namespace Qt::StringLiterals;

namespace pg::test {
namespace {

using BatchTest = TransferTest;

// error.log may hold a password in a URL: it is made afresh for each batch,
// owner-only from its first byte, with two lines per failure.
TEST_F(BatchTest, EachFailureAddsTwoLinesToAFreshOwnerOnlyLog) {
    ASSERT_TRUE(WriteFileBytes(log, "http://u:secret@h/old\r\n"));
    ASSERT_EQ(::chmod(QFile::encodeName(log).constData(), 0644), 0);
    struct stat info = {};
    ASSERT_EQ(FileErrorLog().create(log), 0);
    ASSERT_EQ(::stat(QFile::encodeName(log).constData(), &info), 0);
    EXPECT_EQ(std::pair(info.st_mode & 0777, info.st_size), std::pair(0600u, off_t(0)));
    const QStringList urls = {u"http://h/1"_s, u"http://h/2"_s, u"http://h/3"_s, u"http://h/4"_s};
    BatchReport report = batch(urls, {{404}, ok, {204}, Partial(file, 0, 1000)}, u"Incomplete."_s);
    EXPECT_EQ(ReadFileBytes(log),
              "http://h/1\r\nFile was not found.\r\nhttp://h/3\r\n"
              "Nothing to download.\r\nhttp://h/4\r\nIncomplete.\r\n");
    EXPECT_EQ(std::tuple(report.attempted, report.downloaded, report.errorsLogged),
              std::tuple(4, 1, 3));
    EXPECT_EQ(BatchStatusText(report),
              u"Errors occurred while downloading - please view error log file"_s);
    // A declined retry is logged only with a message for it.
    EXPECT_EQ(batch({urls[0]}, {Partial(file, 0, 1000)}).errorsLogged, 0);
    EXPECT_EQ(ReadFileBytes(log), "");
    // A failure that would hit every further file ends the batch.
    report = batch(urls, {{401}, ok});
    EXPECT_EQ(std::tuple(report.fileCount, report.attempted), std::tuple(4, 1));
    EXPECT_EQ(ReadFileBytes(log), "http://h/1\r\nAuthorization failed.\r\n");
    // A log that cannot be made is reported (a failed write: see the command line's tests).
    log = dir.path();
    report = batch({urls[0]}, {{404}});
    EXPECT_EQ(std::pair(report.logCreated, report.logError), std::pair(false, EISDIR));
}

// The last URL segment with its query, each control character made "_". A name
// longer than 255 bytes fails before any request, and the batch goes on.
TEST_F(BatchTest, FilesAreNamedByTheLastUrlSegment) {
    const std::pair<QString, QString> names[] = {
        {u"http://h/b/get.php?id=3&x=y"_s, u"/d/get.php?id=3&x=y"_s},
        {u"http://h/a\x1b[31mb.bin"_s, u"/d/a_[31mb.bin"_s},
        {u"http://h/\t\x7f\u0080\u009f\u00a0\u00e9\0.bin"_s, u"/d/____\u00a0\u00e9_.bin"_s}};
    for (const auto& [url, path] : names) {
        EXPECT_EQ(BatchTargetPath(u"/d"_s, url), path);
    }
    const QString fits = QString(251, u'a') + u".bin"_s;  // 255 bytes
    const QString tooLong = u"http://h/"_s + QString(252, u'a') + u".bin"_s;
    const QString wide = u"http://h/"_s + QString(126, u'\u00e9') + u".bin"_s;  // 256 bytes
    batch({tooLong, u"http://h/a.zip"_s, wide, u"http://h/b/c.zip?x"_s, u"http://h/"_s + fits},
          {ok, ok, ok});
    EXPECT_EQ(FilesIn(files), (QStringList{u"a.zip"_s, fits, u"c.zip?x"_s}));
    const QString error = u"\r\nError 36 : File name too long\r\n"_s;
    EXPECT_EQ(ReadFileBytes(log), (tooLong + error + wide + error).toUtf8());
    EXPECT_EQ(transport.requests.size(), 3);
    EXPECT_EQ(ui.shown.filter(u"item"_s).join(u','),
              u"item 1 of 5,item 2 of 5,item 3 of 5,item 4 of 5,item 5 of 5"_s);
    EXPECT_EQ(std::pair(transport.requests[0].remotePort, transport.requests[0].timeoutSecs),
              std::pair(8080, 5));
}

// The job's credentials go only to the page's own scheme, host and port.
TEST_F(BatchTest, CredentialsGoOnlyWithFilesOnThePagesOwnHost) {
    const std::tuple<QString, QString, bool> rows[] = {
        {u"http://h/p.html"_s, u"http://H:80/f"_s, true},
        {u"http://h/p.html"_s, u"http://h:8080/f"_s, false},
        {u"http://h/p.html"_s, u"https://h/f"_s, false},
        {u"https://h:8443/p"_s, u"https://h:8443/d/f"_s, true},
        {u"ftp://h/d/"_s, u"ftp://h:21/d/f"_s, true},
        {u"ftp://h/d/"_s, u"ftp://other/d/f"_s, false}};
    for (const auto& [page, url, sent] : rows) {
        const BatchJob job{{}, {}, {u"u"_s, u"p"_s}, 80, 60, {}, {}, page};
        EXPECT_EQ(CredentialsFor(job, url).password.isEmpty(), !sent) << url.toStdString();
    }
    EXPECT_EQ(BatchStatusText(batch({u"http://h/1"_s, u"http://other/2"_s}, {ok, ok})),
              u"2 files downloaded successfully!"_s);
    EXPECT_EQ(transport.requests.at(0).userName, u"u"_s);
    EXPECT_EQ(transport.requests.at(1).userName, QString());
}

}  // namespace
}  // namespace pg::test
