// "7) &Download Files" end to end: a page served on loopback, the real page
// fetcher and transfer engine, the progress window, the log and the history.
#include "window_fixture.h"

#include "../download/engine_fakes.h"
#include "download/frmDownload.h"
#include "history/history_store.h"
#include "platform/curl_page_fetcher.h"
#include "platform/curl_transport.h"
#include "scan/file_list_model.h"

#include "support/event_loop.h"
#include "support/test_bytes.h"
#include "support/test_http_server.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>

using namespace Qt::StringLiterals;

namespace pg {
namespace {

using test::MakeTestBytes;
using test::Response;

class BatchTest : public test::WindowFixture {
protected:
    void SetUp() override {
        WindowFixture::SetUp();
        services.pageFetcher = &realFetcher;
        services.transport = &transport;
        services.transferQuestions = &questions;
        downloads = folder + u"/downloads"_s;
        QDir().mkpath(downloads);
    }

    // Serves a page linking the given paths, each file with its own bytes.
    void servePage(const QList<QByteArray>& paths) {
        QByteArray page = "<html><body>";
        int seed = 1;
        for (const QByteArray& path : paths) {
            page += "<a href=\"" + path + "\">x</a> ";
            if (!bodies.contains(path)) {
                bodies[path] = MakeTestBytes(20000 + seed * 1000, static_cast<quint32>(seed));
                server.setRoute("/site/" + path, Response::withBody(bodies[path]));
            }
            ++seed;
        }
        server.setRoute("/site/index.html",
                        Response::withBody(page + "</body></html>", "text/html"));
    }

    // Extracts the page, checks the entries containing `text` and downloads them.
    void extractAndDownload(frmMain* w, const QString& text) {
        child<QLineEdit>(w, "Text1")->setText(server.url("/site/index.html"));
        child<QLineEdit>(w, "Text4")->setText(downloads);
        QTest::mouseClick(child<QPushButton>(w, "Command2"), Qt::LeftButton);
        ASSERT_EQ(w->statusText(), u"Web page file URLs extracted"_s);
        child<QLineEdit>(w, "Text2")->setText(text);
        QTest::mouseClick(child<QPushButton>(w, "Command7"), Qt::LeftButton);
        QTest::mouseClick(child<QPushButton>(w, "Command1"), Qt::LeftButton);
    }

    test::TestHttpServer server;
    CurlPageFetcher realFetcher{10, 10};
    CurlTransport transport;
    test::ScriptedQuestions questions;
    QMap<QByteArray, QByteArray> bodies;
    QString downloads;
};

TEST_F(BatchTest, DownloadsTheCheckedFilesAndRemembersTheJob) {
    servePage({"a.gif", "b.jpg", "sub/c.gif", "d.zip", "e.GIF"});
    auto w = makeWindow();
    child<QLineEdit>(w.get(), "Text3")->setText(u"gif,jpg"_s);
    extractAndDownload(w.get(), u"gif"_s);

    EXPECT_EQ(w->statusText(), u"3 files downloaded successfully!"_s);
    EXPECT_TRUE(w->isVisible());
    EXPECT_FALSE(w->progressWindow()->isVisible());
    EXPECT_EQ(test::ReadFileBytes(downloads + u"/a.gif"_s), bodies["a.gif"]);
    EXPECT_EQ(test::ReadFileBytes(downloads + u"/c.gif"_s), bodies["sub/c.gif"]);
    EXPECT_EQ(test::ReadFileBytes(downloads + u"/e.GIF"_s), bodies["e.GIF"]);
    EXPECT_FALSE(QFile::exists(downloads + u"/b.jpg"_s));
    EXPECT_EQ(QDir(downloads).entryList(QDir::Files | QDir::Hidden).size(), 3);
    EXPECT_EQ(test::ReadFileBytes(services.errorLogPath), QByteArray());  // created empty
    ASSERT_EQ(w->history().count(), 1);
    EXPECT_EQ(w->history().url(0), server.url("/site/index.html"));
    EXPECT_EQ(w->history().rest(0), u"|"_s + downloads + u"|0|gif,jpg|||"_s);
    // The progress titles counted the checked files only.
    EXPECT_TRUE(w->progressWindow()->windowTitle().endsWith(u" - 3 of 3"_s))
        << w->progressWindow()->windowTitle().toStdString();
}

TEST_F(BatchTest, AFailureIsLoggedAndOfferedForViewing) {
    servePage({"one.gif", "missing.gif", "three.gif"});
    server.removeRoute("/site/missing.gif");
    auto w = makeWindow();
    auto answer = test::AnswerNextModal(u"ViewLogQuestion"_s, QMessageBox::Yes);
    extractAndDownload(w.get(), u"gif"_s);

    EXPECT_TRUE(answer->seen);
    EXPECT_EQ(answer->title, u"Pagegleaner"_s);
    EXPECT_EQ(answer->text,
              u"Errors occurred while downloading. Do you want to view the error log file?"_s);
    EXPECT_EQ(opener.opened, QStringList{services.errorLogPath});
    EXPECT_EQ(w->statusText(), u"Errors occurred while downloading - please view error log file"_s);
    EXPECT_EQ(test::ReadFileBytes(services.errorLogPath),
              server.url("/site/missing.gif").toUtf8() + "\r\nFile was not found.\r\n");
    EXPECT_TRUE(QFile::exists(downloads + u"/one.gif"_s));
    EXPECT_TRUE(QFile::exists(downloads + u"/three.gif"_s));
    EXPECT_FALSE(w->downloadFlags().DownloadError);
}

TEST_F(BatchTest, CancelAllOnTheSecondFileStopsTheBatch) {
    servePage({"f1.gif", "f2.gif", "f3.gif", "f4.gif", "f5.gif"});
    Response slow = Response::withBody(MakeTestBytes(2000000, 9));
    slow.throttleBytes = 4096;
    slow.throttleIntervalMs = 5;
    server.setRoute("/site/f2.gif", slow);
    auto w = makeWindow();
    // Press "Cancel all downloads" once the second file is under way.
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        frmDownload* progress = w->progressWindow();
        if (progress && progress->isVisible() && progress->windowTitle().endsWith(u" - 2 of 5"_s)) {
            poll.stop();
            QTest::mouseClick(progress->findChild<QPushButton*>(u"Command1"_s), Qt::LeftButton);
        }
    });
    poll.start();
    extractAndDownload(w.get(), u"gif"_s);

    EXPECT_EQ(w->statusText(), u"1 files downloaded successfully!"_s);
    EXPECT_TRUE(QFile::exists(downloads + u"/f1.gif"_s));
    EXPECT_EQ(QDir(downloads).entryList(QDir::Files | QDir::Hidden), QStringList{u"f1.gif"_s});
    for (const char* path : {"/site/f3.gif", "/site/f4.gif", "/site/f5.gif"}) {
        EXPECT_EQ(server.requestCount(path), 0) << path;
    }
    EXPECT_EQ(w->history().count(), 1);
    EXPECT_FALSE(w->downloadFlags().CancelAll);
}

TEST_F(BatchTest, NothingCheckedStillEntersTheHistory) {
    servePage({"a.gif"});
    auto w = makeWindow();
    extractAndDownload(w.get(), u"no-such-text"_s);
    EXPECT_EQ(w->statusText(), u"0 files downloaded successfully!"_s);
    EXPECT_EQ(w->history().count(), 1);
    EXPECT_EQ(server.requestCount("/site/a.gif"), 0);
}

TEST_F(BatchTest, SameLastSegmentLaterFileWins) {
    servePage({"a/x.gif", "b/x.gif"});
    auto w = makeWindow();
    extractAndDownload(w.get(), u"x.gif"_s);
    EXPECT_EQ(w->statusText(), u"2 files downloaded successfully!"_s);
    EXPECT_EQ(test::ReadFileBytes(downloads + u"/x.gif"_s), bodies["b/x.gif"]);
}

TEST_F(BatchTest, EmptyFolderAsksForOneAndDownloadsNothing) {
    servePage({"a.gif"});
    auto w = makeWindow();
    child<QLineEdit>(w.get(), "Text1")->setText(server.url("/site/index.html"));
    QTest::mouseClick(child<QPushButton>(w.get(), "Command2"), Qt::LeftButton);
    QTest::mouseClick(child<QPushButton>(w.get(), "Command4"), Qt::LeftButton);
    QTest::mouseClick(child<QPushButton>(w.get(), "Command1"), Qt::LeftButton);
    EXPECT_EQ(w->statusText(),
              u"Please specify a directory where the downloaded files will be stored"_s);
    EXPECT_EQ(QApplication::focusWidget(), child<QPushButton>(w.get(), "Command3"));
    EXPECT_FALSE(QFile::exists(services.errorLogPath));
    EXPECT_EQ(w->history().count(), 0);
}

TEST_F(BatchTest, HistoryIsWrittenAndReadBackAfterARestart) {
    servePage({"a.gif"});
    {
        auto w = makeWindow();
        child<QLineEdit>(w.get(), "Text5")->setText(u"user"_s);
        extractAndDownload(w.get(), u"a.gif"_s);
        ASSERT_EQ(w->statusText(), u"1 files downloaded successfully!"_s);
        w->close();
        QApplication::restoreOverrideCursor();
    }
    auto again = makeWindow();
    ASSERT_EQ(again->history().count(), 1);
    EXPECT_EQ(again->history().url(0), server.url("/site/index.html"));
    again->loadRecord(0);
    EXPECT_EQ(child<QLineEdit>(again.get(), "Text4")->text(), downloads);
    EXPECT_EQ(child<QLineEdit>(again.get(), "Text5")->text(), u"user"_s);
}

}  // namespace
}  // namespace pg
