#include "download/batch.h"
#include "download/error_log.h"
#include "download/file_names.h"
#include "fakes.h"
#include "support/test_bytes.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>

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
    const BatchReport report =
        batch(urls, {{404}, ok, {204}, Partial(file, 0, 1000)}, u"Incomplete."_s);
    EXPECT_EQ(ReadFileBytes(log),
              "http://h/1\r\nFile was not found.\r\nhttp://h/3\r\n"
              "Nothing to download.\r\nhttp://h/4\r\nIncomplete.\r\n");
    EXPECT_EQ(std::tuple(report.attempted, report.downloaded, report.errorsLogged),
              std::tuple(4, 1, 3));
    // A declined retry is logged only with a message for it.
    EXPECT_EQ(batch({urls[0]}, {Partial(file, 0, 1000)}).errorsLogged, 0);
    EXPECT_EQ(ReadFileBytes(log), "");
    // A log that cannot be made is reported (a failed write: see the command line's tests).
    log = dir.path();
    const BatchReport unlogged = batch({urls[0]}, {{404}});
    EXPECT_EQ(std::pair(unlogged.logCreated, unlogged.logError), std::pair(false, EISDIR));
}

// The job's credentials go only to the page's own scheme, host and port: the
// port each request really uses, the page's fetched without the remote port
// setting and http files with it.
TEST_F(BatchTest, CredentialsGoOnlyWithFilesOnThePagesOwnHost) {
    const std::tuple<QString, QString, int, bool> rows[] = {
        {u"http://h/p.html"_s, u"http://H:80/f"_s, 80, true},
        {u"http://h/p.html"_s, u"http://h:8080/f"_s, 80, false},
        {u"http://h/p.html"_s, u"https://h/f"_s, 80, false},
        {u"http://h/p.html"_s, u"http://h/f"_s, 8080, false},
        {u"http://h:8080/p.html"_s, u"http://h/f"_s, 8080, true},
        {u"http://h:8080/p.html"_s, u"http://h/f"_s, 80, false},
        {u"https://h/p"_s, u"https://h/f"_s, 8080, true},
        {u"https://h:8443/p"_s, u"https://h:8443/d/f"_s, 80, true},
        {u"ftp://h/d/"_s, u"ftp://h:21/d/f"_s, 8080, true},
        {u"ftp://h/d/"_s, u"ftp://other/d/f"_s, 80, false}};
    for (const auto& [page, url, port, sent] : rows) {
        const BatchJob job{{}, {}, {u"u"_s, u"p"_s}, port, 60, {}, {}, page};
        EXPECT_EQ(CredentialsFor(job, url).password.isEmpty(), !sent)
            << page.toStdString() << " " << url.toStdString() << " " << port;
    }
    // A user name alone (a token) is sent too.
    const BatchJob tokenJob{{}, {}, {u"token"_s, {}}, 80, 60, {}, {}, u"http://h/p"_s};
    EXPECT_EQ(CredentialsFor(tokenJob, u"http://h/f"_s).userName, u"token"_s);
}

// The log's URLs cannot carry terminal escapes or reorder the text around them.
TEST(FileNamesTest, UrlsInTheLogHaveTheirUnsafeCharactersEncoded) {
    const std::pair<QString, QString> rows[] = {
        {u"http://h/a b\u00e9%41.jpg"_s, u"http://h/a b\u00e9%41.jpg"_s},
        {u"http://h/a\x1b[2J\x07\t.jpg"_s, u"http://h/a%1B[2J%07%09.jpg"_s},
        {u"http://h/x\u202egpj.exe\u2069\u009b"_s, u"http://h/x%E2%80%AEgpj.exe%E2%81%A9%C2%9B"_s}};
    for (const auto& [url, logged] : rows) {
        EXPECT_EQ(UrlForLog(url), logged);
    }
    EXPECT_EQ(NumberedTargetPath(u"/d.x/a.tar.gz"_s, [](const QString&) { return false; }),
              u"/d.x/a.tar (2).gz"_s);
    EXPECT_EQ(NumberedTargetPath(u"/d.x/a"_s, [](const QString&) { return false; }),
              u"/d.x/a (2)"_s);
}

// The Referer a browser would send for a file of the page.
TEST(RefererTest, ThePageForItsOwnFilesItsOriginForOthersNothingDownToHttp) {
    const std::tuple<QString, QString, QString> rows[] = {
        {u"http://u:p@h/d/p.html?q=1#top"_s, u"http://h:80/f.jpg"_s, u"http://h/d/p.html?q=1"_s},
        {u"http://h/d/p.html"_s, u"http://other/f.jpg"_s, u"http://h/"_s},
        {u"http://h/d/p.html"_s, u"http://h:8080/f.jpg"_s, u"http://h/"_s},
        {u"https://h:8443/d/p.html"_s, u"https://cdn/f.jpg"_s, u"https://h:8443/"_s},
        {u"https://h/d/p.html"_s, u"https://h/f.jpg"_s, u"https://h/d/p.html"_s},
        {u"https://h/d/p.html"_s, u"http://h/f.jpg"_s, QString()},
        {u"http://h/d/p.html"_s, u"https://h/f.jpg"_s, u"http://h/"_s},
        {u"ftp://h/d/"_s, u"ftp://h/d/f.bin"_s, QString()}};
    for (const auto& [page, file, referer] : rows) {
        EXPECT_EQ(RefererFor(page, file), referer)
            << page.toStdString() << " " << file.toStdString();
    }
}

// A busy server is waited out twice for a file (as long as it asks for at most
// 30 seconds); after that, or for longer, the answer fails like any other.
TEST_F(BatchTest, ABusyServerIsWaitedOutAndGetsOneConnectionFewer) {
    const auto busy = [](int status, int seconds) {
        return Answer{.status = status, .retryAfter = seconds};
    };
    // answers, whether the file arrives, requests made, waits
    const std::tuple<QList<Answer>, bool, int, int> rows[] = {
        {{busy(503, 0), ok}, true, 2, 1},
        {{busy(429, 1), busy(503, 0), ok}, true, 3, 2},
        {{busy(503, 0), busy(503, 0), busy(503, 0)}, false, 3, 2},
        {{busy(503, 31)}, false, 1, 0},
        {{busy(503, -1)}, false, 1, 0}};
    for (const auto& [answers, completed, requests, waits] : rows) {
        transport.requests.clear();
        ui.shown.clear();
        const BatchReport report = batch({u"http://h:8080/f"_s}, answers);
        EXPECT_EQ(report.downloaded == 1, completed);
        EXPECT_EQ(transport.requests.size(), requests);
        EXPECT_EQ(ui.shown.count(PhaseText(TransferPhase::WaitingToRetry)), waits);
        if (!completed) {
            EXPECT_EQ(ReadFileBytes(log), "http://h:8080/f\r\nUnexpected error has occurred.\r\n");
        }
    }
    // Three at once to one server; after its 503, the files that start keep to two.
    transport.requests.clear();
    transport.atOnce.clear();
    QList<Answer> answers(8, ok);
    answers[0] = busy(503, 0);
    const BatchReport report =
        batch({u"http://h:8080/1"_s, u"http://h:8080/2"_s, u"http://h:8080/3"_s,
               u"http://h:8080/4"_s, u"http://h:8080/5"_s, u"http://h:8080/6"_s},
              answers, {}, 3);
    EXPECT_EQ(report.downloaded, 6);
    EXPECT_EQ(transport.mostAtOnceSince(0), 3);
    EXPECT_LE(transport.mostAtOnceSince(4), 2);  // after the three and the busy one's retry
}

// A file is named by the last URL segment with its query, each control
// character made "_". A name longer than 255 bytes fails before any request,
// and the batch goes on. Within one batch a file never replaces one the batch
// wrote: the later gets the first free numbered name, and the log says so. A
// file of an earlier run under the listed name is replaced; one under a
// numbered name is kept.
TEST_F(BatchTest, FilesAreNamedByTheLastUrlSegmentAndNeverReplaceOneOfTheBatch) {
    const std::pair<QString, QString> names[] = {
        {u"http://h/b/get.php?id=3&x=y"_s, u"/d/get.php?id=3&x=y"_s},
        {u"http://h/a\x1b[31mb.bin"_s, u"/d/a_[31mb.bin"_s},
        {u"http://h/\t\x7f\u0080\u009f\u00a0\u00e9\0.bin"_s, u"/d/____\u00a0\u00e9_.bin"_s},
        {u"http://h/a\u202egpj.exe"_s, u"/d/a_gpj.exe"_s},
        {u"http://h/\u202a\u2066x\u2069\u200e.bin"_s, u"/d/__x_\u200e.bin"_s}};
    for (const auto& [url, path] : names) {
        EXPECT_EQ(BatchTargetPath(u"/d"_s, url), path);
    }
    ASSERT_TRUE(QDir().mkpath(files));
    ASSERT_TRUE(WriteFileBytes(files + u"/same.jpg"_s, "earlier run"));
    ASSERT_TRUE(WriteFileBytes(files + u"/same (3).jpg"_s, "earlier run"));
    const QString fits = u"http://h/"_s + QString(251, u'a') + u".bin"_s;  // 255 bytes
    const QString tooLong = u"http://h/"_s + QString(252, u'a') + u".bin"_s;
    const QString wide = u"http://h/"_s + QString(126, u'\u00e9') + u".bin"_s;  // 256 bytes
    const QStringList urls =
        QStringList{tooLong, u"http://h/a/same.jpg"_s, wide} +
        u"http://h/b/same.jpg http://h/c/same.jpg http://h/x\x07y http://h/x\x1by "
        u"http://h/.hidden http://h/d/.hidden http://h/b/c.zip?x"_s.split(u' ') +
        QStringList{fits};
    batch(urls, QList<Answer>(9, ok));
    EXPECT_EQ(FilesIn(files),
              (QStringList{u".hidden"_s, u".hidden (2)"_s, fits.sliced(9), u"c.zip?x"_s,
                           u"same (2).jpg"_s, u"same (3).jpg"_s, u"same (4).jpg"_s, u"same.jpg"_s,
                           u"x_y"_s, u"x_y (2)"_s}));
    EXPECT_EQ(ReadFileBytes(files + u"/same.jpg"_s), file);
    EXPECT_EQ(ReadFileBytes(files + u"/same (3).jpg"_s), "earlier run");
    const auto saved = [](const QString& url, const QString& name, const QString& earlier) {
        return url + u"\r\nSaved as \"%1\": an earlier file of this batch is \"%2\".\r\n"_s.arg(
                         name, earlier);
    };
    const QString tooLongError = u"\r\nError 36 : File name too long\r\n"_s;
    EXPECT_EQ(QString::fromUtf8(ReadFileBytes(log)),
              tooLong + tooLongError + wide + tooLongError +
                  saved(u"http://h/b/same.jpg"_s, u"same (2).jpg"_s, u"same.jpg"_s) +
                  saved(u"http://h/c/same.jpg"_s, u"same (4).jpg"_s, u"same.jpg"_s) +
                  saved(u"http://h/x%1By"_s, u"x_y (2)"_s, u"x_y"_s) +
                  saved(u"http://h/d/.hidden"_s, u".hidden (2)"_s, u".hidden"_s));
    // Every file is an item; those named too long are asked for by no request.
    EXPECT_EQ(ui.shown.filter(u"item"_s).size(), 11);
    EXPECT_EQ(ui.shown.filter(u"item"_s).last(), u"item 11 of 11"_s);
    EXPECT_EQ(transport.requests.size(), 9);
    EXPECT_EQ(std::pair(transport.requests[0].remotePort, transport.requests[0].timeoutSecs),
              std::pair(8080, 5));
    // A failed file takes no name.
    batch({u"http://h/a/n.jpg"_s, u"http://h/b/n.jpg"_s}, {{404}, ok});
    EXPECT_TRUE(QFileInfo::exists(files + u"/n.jpg"_s));
    EXPECT_FALSE(QFileInfo::exists(files + u"/n (2).jpg"_s));
}

// A server other than the page's that fails in a way that would hit all its
// files ends only its own files (each logged); the page's server, a full disk
// and the user still end the whole batch.
TEST_F(BatchTest, AnotherServersFailureEndsOnlyItsOwnFiles) {
    const TransferError noConnection{7, u"Couldn't connect to server"_s, true};
    const QStringList urls = {u"http://h/1"_s,          u"http://other/2"_s, u"http://other/3"_s,
                              u"http://h/4"_s,          u"http://third/5"_s, u"http://third/6"_s,
                              u"http://OTHER:8080/7"_s, u"http://h/8"_s};
    BatchReport report = batch(urls, {ok, {401}, ok, {.failure = noConnection}, ok});
    EXPECT_EQ(std::tuple(report.attempted, report.downloaded, report.skipped, report.errorsLogged),
              std::tuple(5, 3, 3, 5));
    EXPECT_EQ(transport.requests.size(), 5);  // none for the files skipped
    const QByteArray skipped = "Not downloaded: an earlier file from this server failed.\r\n";
    EXPECT_EQ(ReadFileBytes(log), "http://other/2\r\nAuthorization failed.\r\nhttp://other/3\r\n" +
                                      skipped + "http://third/5\r\nUnable to connect.\r\n" +
                                      "http://third/6\r\n" + skipped + "http://OTHER:8080/7\r\n" +
                                      skipped);
    // The page's own server stops everything, and so does a full disk anywhere.
    report = batch({u"http://h/1"_s, u"http://other/2"_s}, {{.status = 500}, ok});
    EXPECT_EQ(report.attempted, 1);
    freeBytes = 10;
    report = batch({u"http://other/1"_s, u"http://h/2"_s}, {ok, ok});
    EXPECT_EQ(report.attempted, 1);
    EXPECT_EQ(ReadFileBytes(log), "http://other/1\r\nInsufficient disk space.\r\n");
}

}  // namespace
}  // namespace pg::test
