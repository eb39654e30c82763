#include "download/engine.h"

#include "download/engine_fakes.h"
#include "support/event_loop.h"
#include "support/ports.h"
#include "support/test_bytes.h"
#include "support/test_http_server.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace pg {
namespace {

using test::EngineRig;
using test::MakeTestBytes;
using test::Response;
using test::Sha256;
using test::TestHttpServer;

class EngineTest : public ::testing::Test {
protected:
    TestHttpServer server;
    EngineRig rig;
};

TEST_F(EngineTest, EveryRequestAsksForARangeAndTheFileArrivesWhole) {
    const QByteArray body = MakeTestBytes(300000, 3);
    server.setRoute("/f.bin", Response::withBody(body));
    ASSERT_TRUE(rig.download(server.url("/f.bin"), rig.target(u"f.bin"_s)));
    EXPECT_EQ(server.requestsFor("/f.bin").at(0).header("Range"), "bytes=0-");
    EXPECT_EQ(Sha256(test::ReadFileBytes(rig.target(u"f.bin"_s))), Sha256(body));
    EXPECT_EQ(rig.files(), QStringList{u"f.bin"_s});  // no temporary file left
    EXPECT_TRUE(rig.log.lines.isEmpty());
    EXPECT_EQ(rig.view.statusTexts, (QStringList{u"Getting file information..."_s, u"Saving:"_s,
                                                 u"Download completed!"_s}));
    EXPECT_EQ(rig.view.source, u"f.bin from 127.0.0.1"_s);
    EXPECT_EQ(rig.view.resets, std::vector<qint64>{300000});
    ASSERT_FALSE(rig.view.updates.empty());
    EXPECT_EQ(rig.view.updates.back().received, 300000);
    EXPECT_EQ(rig.view.opened, 1);
    EXPECT_EQ(rig.view.closed, 1);
    EXPECT_TRUE(rig.flags.CancelThis);  // set so the window may close
    EXPECT_FALSE(rig.flags.CancelAll);
}

TEST_F(EngineTest, BrokenTransferResumesFourKilobytesBeforeTheLastByte) {
    const struct {
        qint64 breakAfter;
        const char* resumeRange;
    } cases[] = {{10000, "bytes=5904-"}, {3000, "bytes=0-"}};
    for (const auto& c : cases) {
        server.clearRequests();
        const QByteArray body = MakeTestBytes(50000, 5);
        int served = 0;
        server.setRoute("/r.bin", [&](const test::RecordedRequest&) {
            Response r = Response::withBody(body);
            if (served++ == 0) {
                r.breakAfter = c.breakAfter;
            }
            return r;
        });
        rig.questions.onRetry = [] { return true; };
        const QString target = rig.target(u"r.bin"_s);
        ASSERT_TRUE(rig.download(server.url("/r.bin"), target)) << c.breakAfter;
        const auto requests = server.requestsFor("/r.bin");
        ASSERT_EQ(requests.size(), 2);
        EXPECT_EQ(requests.at(0).header("Range"), "bytes=0-");
        EXPECT_EQ(requests.at(1).header("Range"), c.resumeRange);
        EXPECT_EQ(Sha256(test::ReadFileBytes(target)), Sha256(body));
        EXPECT_TRUE(rig.view.statusTexts.contains(u"Resuming download..."_s));
        // The first length is kept: the progress never shows the rest as the whole.
        EXPECT_EQ(rig.view.updates.back().total, 50000);
        EXPECT_TRUE(rig.log.lines.isEmpty());
    }
    EXPECT_EQ(rig.questions.retryAsked, 2);
}

TEST_F(EngineTest, EmptyFirstReadIsAnInterruptedTransfer) {
    int served = 0;
    const QByteArray body = MakeTestBytes(5000, 2);
    server.setRoute("/e.bin", [&](const test::RecordedRequest&) {
        Response r = Response::withBody(body);
        if (served++ == 0) {
            r.breakAfter = 0;
        }
        return r;
    });
    rig.questions.onRetry = [] { return true; };
    ASSERT_TRUE(rig.download(server.url("/e.bin"), rig.target(u"e.bin"_s)));
    EXPECT_EQ(rig.questions.retryTimeTexts, QStringList{u"0 sec"_s});
    EXPECT_EQ(test::ReadFileBytes(rig.target(u"e.bin"_s)), body);
}

TEST_F(EngineTest, WholeFileAnswerToAResumeRequest) {
    for (bool startOver : {false, true}) {
        server.clearRequests();
        const QByteArray body = MakeTestBytes(30000, 9);
        int served = 0;
        server.setRoute("/w.bin", [&](const test::RecordedRequest&) {
            Response r = Response::withBody(body);
            if (served++ == 0) {
                r.breakAfter = 12000;
            } else {
                r.honourRange = false;  // answers 200 with the whole file
            }
            return r;
        });
        rig.log.lines.clear();
        rig.questions.onRetry = [] { return true; };
        bool partialGoneWhenAsked = false;
        rig.questions.onResume = [&] {
            partialGoneWhenAsked = rig.files().isEmpty();
            return startOver;
        };
        const bool ok = rig.download(server.url("/w.bin"), rig.target(u"w.bin"_s));
        EXPECT_TRUE(partialGoneWhenAsked);
        EXPECT_EQ(ok, startOver);
        if (startOver) {
            EXPECT_EQ(Sha256(test::ReadFileBytes(rig.target(u"w.bin"_s))), Sha256(body));
            EXPECT_TRUE(rig.log.lines.isEmpty());
        } else {
            EXPECT_EQ(rig.log.lines,
                      (QStringList{server.url("/w.bin"), u"Unable to resume download."_s}));
            EXPECT_TRUE(rig.files().isEmpty());
            EXPECT_FALSE(rig.flags.CancelAll);  // the batch goes on
        }
    }
}

TEST_F(EngineTest, PartialAnswerFromTheWrongOffsetIsNotTrusted) {
    const QByteArray body = MakeTestBytes(30000, 4);
    int served = 0;
    server.setRoute("/o.bin", [&](const test::RecordedRequest&) {
        Response r = Response::withBody(body);
        if (served == 0) {
            r.breakAfter = 20000;
        } else if (served == 1) {
            r.contentRangeStart = 0;  // claims to start at 0 while sending from 15904
        }
        ++served;
        return r;
    });
    rig.questions.onRetry = [] { return true; };
    rig.questions.onResume = [] { return true; };
    ASSERT_TRUE(rig.download(server.url("/o.bin"), rig.target(u"o.bin"_s)));
    EXPECT_EQ(rig.questions.resumeAsked, 1);
    const auto requests = server.requestsFor("/o.bin");
    ASSERT_EQ(requests.size(), 3);
    EXPECT_EQ(requests.at(1).header("Range"), "bytes=15904-");
    EXPECT_EQ(requests.at(2).header("Range"), "bytes=0-");
    EXPECT_EQ(Sha256(test::ReadFileBytes(rig.target(u"o.bin"_s))), Sha256(body));
}

TEST_F(EngineTest, StatusCodesAreLoggedWithTheirFlags) {
    const struct {
        int status;
        const char* message;
        bool cancelAll;
    } cases[] = {{204, "Nothing to download.", false},
                 {404, "File was not found.", false},
                 {401, "Authorization failed.", true},
                 {500, "Unexpected error has occurred.", true},
                 {416, "Unexpected error has occurred.", true}};
    for (const auto& c : cases) {
        server.setRoute("/s", Response::withStatus(c.status, "body of the error page"));
        rig.log.lines.clear();
        rig.flags.DownloadError = false;
        ASSERT_TRUE(test::WriteFileBytes(rig.target(u"s"_s), "earlier"));
        EXPECT_FALSE(rig.download(server.url("/s"), rig.target(u"s"_s))) << c.status;
        EXPECT_EQ(rig.log.lines, (QStringList{server.url("/s"), QString::fromUtf8(c.message)}))
            << c.status;
        EXPECT_TRUE(rig.flags.DownloadError);
        EXPECT_EQ(rig.flags.CancelAll, c.cancelAll) << c.status;
        EXPECT_EQ(test::ReadFileBytes(rig.target(u"s"_s)), "earlier") << c.status;
        EXPECT_EQ(rig.files(), QStringList{u"s"_s}) << c.status;
    }
}

TEST_F(EngineTest, BodyWithoutLengthIsSavedWholeWhenItEndsCleanly) {
    const QByteArray body = MakeTestBytes(100000, 6);
    Response chunked = Response::withBody(body);
    chunked.chunked = true;
    server.setRoute("/chunked", chunked);
    ASSERT_TRUE(rig.download(server.url("/chunked"), rig.target(u"chunked"_s)));
    EXPECT_EQ(test::ReadFileBytes(rig.target(u"chunked"_s)), body);
    EXPECT_EQ(rig.view.resets.back(), -1);
    EXPECT_EQ(rig.view.updates.back().total, -1);
    EXPECT_EQ(rig.view.updates.back().received, 100000);

    // Without a length, a connection that breaks is not a complete file.
    Response broken = Response::withBody(body);
    broken.chunked = true;
    broken.breakAfter = 40000;
    server.setRoute("/chunked-broken", broken);
    EXPECT_FALSE(rig.download(server.url("/chunked-broken"), rig.target(u"cb"_s)));
    EXPECT_EQ(rig.questions.retryAsked, 1);
    EXPECT_FALSE(QFile::exists(rig.target(u"cb"_s)));
}

TEST_F(EngineTest, ZeroLengthGivesAnEmptyFile) {
    // One server answers 200 with Content-Length 0, another refuses the range with 416.
    for (bool honourRange : {false, true}) {
        Response empty = Response::withBody({});
        empty.honourRange = honourRange;
        server.setRoute("/empty", empty);
        QFile::remove(rig.target(u"empty"_s));
        ASSERT_TRUE(rig.download(server.url("/empty"), rig.target(u"empty"_s))) << honourRange;
        EXPECT_TRUE(QFileInfo::exists(rig.target(u"empty"_s)));
        EXPECT_EQ(QFileInfo(rig.target(u"empty"_s)).size(), 0);
    }
    EXPECT_TRUE(rig.log.lines.isEmpty());
}

TEST_F(EngineTest, ServerThatNeverAnswersTimesOut) {
    Response silent;
    silent.neverAnswer = true;
    server.setRoute("/silent", silent);
    rig.context.timeoutSecs = 1;
    EXPECT_FALSE(rig.download(server.url("/silent"), rig.target(u"silent"_s)));
    ASSERT_EQ(rig.log.lines.size(), 2);
    EXPECT_TRUE(rig.log.lines.at(1).startsWith(u"Error 28 : "_s))
        << rig.log.lines.at(1).toStdString();
    EXPECT_FALSE(rig.flags.CancelAll);
    EXPECT_TRUE(rig.files().isEmpty());
}

TEST_F(EngineTest, NoServerIsUnableToConnectAndStopsTheBatch) {
    const quint16 closedPort = test::FindFreePort();
    EXPECT_FALSE(rig.download(u"http://127.0.0.1:%1/x.bin"_s.arg(closedPort), rig.target(u"x"_s)));
    EXPECT_EQ(rig.log.lines.value(1), u"Unable to connect."_s);
    EXPECT_TRUE(rig.flags.CancelAll);
}

TEST_F(EngineTest, CancelWhileWaitingForTheServer) {
    Response slow;
    slow.neverAnswer = true;
    server.setRoute("/wait", slow);
    QTimer::singleShot(200, [&] { rig.flags.CancelThis = true; });
    EXPECT_FALSE(rig.download(server.url("/wait"), rig.target(u"wait"_s)));
    EXPECT_TRUE(rig.log.lines.isEmpty());
    EXPECT_TRUE(rig.files().isEmpty());
    EXPECT_FALSE(rig.flags.DownloadError);
}

TEST_F(EngineTest, CancelDuringTheTransferDeletesThePartialFile) {
    Response slow = Response::withBody(MakeTestBytes(400000, 2));
    slow.throttleBytes = 2000;
    slow.throttleIntervalMs = 5;
    server.setRoute("/slow", slow);
    ASSERT_TRUE(test::WriteFileBytes(rig.target(u"slow"_s), "earlier"));
    rig.view.onUpdate = [&](const ProgressSnapshot& s) {
        if (s.received > 10000) {
            rig.flags.CancelThis = true;
            rig.flags.CancelAll = true;
        }
    };
    EXPECT_FALSE(rig.download(server.url("/slow"), rig.target(u"slow"_s)));
    EXPECT_EQ(rig.questions.retryAsked, 0);
    EXPECT_TRUE(rig.log.lines.isEmpty());
    EXPECT_EQ(test::ReadFileBytes(rig.target(u"slow"_s)), "earlier");
    EXPECT_EQ(rig.files(), QStringList{u"slow"_s});
    EXPECT_TRUE(rig.flags.CancelAll);
}

TEST_F(EngineTest, MissingFolderIsCreatedButNotItsParent) {
    server.setRoute("/f", Response::withBody("data"));
    ASSERT_TRUE(rig.download(server.url("/f"), rig.target(u"new/f"_s)));
    EXPECT_EQ(test::ReadFileBytes(rig.target(u"new/f"_s)), "data");

    EXPECT_FALSE(rig.download(server.url("/f"), rig.target(u"no/such/f"_s)));
    EXPECT_EQ(rig.log.lines.value(1), u"Error 2 : No such file or directory"_s);
    EXPECT_FALSE(rig.flags.CancelAll);
}

TEST_F(EngineTest, UrlEndingInASlashNamesNoFile) {
    server.setFallback([](const test::RecordedRequest&) { return Response::withBody("index"); });
    EXPECT_FALSE(rig.download(server.url("/dir/"), rig.dir.path() + u"/"_s));
    EXPECT_EQ(rig.log.lines.value(1), u"Error 21 : Is a directory"_s);
    EXPECT_TRUE(rig.files().isEmpty());
}

TEST_F(EngineTest, FullDiskIsReportedBeforeAnyByteIsWritten) {
    server.setRoute("/big", Response::withBody(MakeTestBytes(50000, 1)));
    QString askedFolder;
    rig.context.freeSpace = [&](const QString& folder) -> std::optional<qint64> {
        askedFolder = folder;
        return 49999;
    };
    EXPECT_FALSE(rig.download(server.url("/big"), rig.target(u"big"_s)));
    EXPECT_EQ(rig.log.lines.value(1), u"Insufficient disk space."_s);
    EXPECT_TRUE(rig.flags.CancelAll);
    EXPECT_EQ(askedFolder, rig.dir.path());
    EXPECT_TRUE(rig.files().isEmpty());
    EXPECT_TRUE(rig.view.updates.empty());
}

}  // namespace
}  // namespace pg
