#include "../download/fakes.h"
#include "history/history_file.h"
#include "history/url_history.h"
#include "support/event_loop.h"
#include "support/isolated_home.h"
#include "support/scripted_server.h"
#include "support/test_bytes.h"

#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>
#include <csignal>

using namespace Qt::StringLiterals;

namespace pg::test {
namespace {

// SIGTERM and SIGHUP end get like Ctrl+C, keeping the part file; after any of
// them, SIGKILL included, the next run finds the part file, resumes it while
// the file's version still holds, and leaves nothing beside the file.
TEST(KillTest, AStoppedOrKilledGetIsResumedByTheNextRun) {
    const QByteArray body = MakeTestBytes(1 << 20);
    std::atomic<bool> slow = true;
    ScriptedServer http;
    http.handle("/d/page.html", ScriptedServer::bytes({.body = "<a href=f.bin>"}));
    http.handle("/d/f.bin", [&](const httplib::Request&, httplib::Response& res) {
        res.set_header("ETag", "\"k1\"");
        res.set_content_provider(body.size(), "", [&](size_t at, size_t, httplib::DataSink& sink) {
            std::this_thread::sleep_for(std::chrono::milliseconds(slow ? 20 : 0));
            return sink.write(body.constData() + at, std::min<size_t>(4096, body.size() - at));
        });
    });
    QTemporaryDir dir(IsolatedRoot() + u"/kill-XXXXXX"_s);
    const QString files = dir.filePath(u"files"_s);
    const auto partSize = [&] {
        const QStringList parts = FilesIn(files).filter(u".pgpart"_s);
        return parts.size() == 1 ? QFileInfo(files + u'/' + parts[0]).size() : 0;
    };
    QProcess cli;
    const auto get = [&] {
        cli.start(QStringLiteral(PG_CLI_PATH),
                  {u"get"_s, u"--types"_s, u"bin"_s, u"--dir"_s, files, u"--log"_s,
                   dir.filePath(u"error.log"_s), http.url("/d/page.html")});
    };
    for (const int signal : {SIGTERM, SIGHUP, SIGKILL}) {
        const qint64 before = partSize();
        get();
        // Under way: the part has grown well past where this run resumed it.
        ASSERT_TRUE(RunEventLoopUntil([&] { return partSize() > before + 16384; }));
        ASSERT_GT(cli.processId(), 0);  // kill(0) would hit this process too
        ::kill(static_cast<pid_t>(cli.processId()), signal);
        ASSERT_TRUE(cli.waitForFinished(60000));
        if (signal != SIGKILL) {
            EXPECT_EQ(cli.exitStatus() == QProcess::NormalExit ? cli.exitCode() : -1, 130);
        }
        EXPECT_EQ(FilesIn(files).filter(u".pgpart"_s).size(), 1);
        if (before > 0) {
            EXPECT_EQ(http.requests("/d/f.bin").back().header("Range"),
                      "bytes=" + std::to_string(before - 4096) + '-');
        }
    }
    const qint64 left = partSize();
    slow = false;
    get();
    ASSERT_TRUE(cli.waitForFinished(60000));
    EXPECT_EQ(cli.exitCode(), 0);
    EXPECT_EQ(ReadFileBytes(files + u"/f.bin"_s), body);
    EXPECT_EQ(FilesIn(files), QStringList{u"f.bin"_s});
    const ReceivedRequest resume = http.requests("/d/f.bin").back();
    EXPECT_EQ(resume.header("Range"), "bytes=" + std::to_string(left - 4096) + '-');
    EXPECT_EQ(resume.header("If-Range"), "\"k1\"");
}

// urls.txt is replaced in one step: a writer killed at any moment leaves the
// earlier file or the new one, whole, and nothing beside it.
TEST(KillTest, HistoryFileKilledWhileWrittenStaysWhole) {
    QTemporaryDir dir;
    const QString path = dir.filePath(u"urls.txt"_s);
    UrlHistory versions[2];
    QByteArray texts[2];
    for (const int v : {1, 0}) {
        for (int i = 0; i < 20000; ++i) {
            versions[v].append(u"http://h/%1/%2"_s.arg(v).arg(i), u"|d|0|gif|||"_s);
        }
        ASSERT_TRUE(WriteHistoryFile(path, versions[v], {}));
        texts[v] = ReadFileBytes(path);
    }
    int written[2];
    ASSERT_EQ(::pipe(written), 0);
    for (int round = 1; round <= 5; ++round) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);                // kill(-1) would hit every process of the user
        for (int i = 1; child == 0; ++i) {  // writes both by turns, saying so after each
            WriteHistoryFile(path, versions[i % 2], {});
            [[maybe_unused]] const ssize_t n = ::write(written[1], "w", 1);
        }
        char byte;
        for (int i = 0; i < round && ::read(written[0], &byte, 1) == 1; ++i) {
        }
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        const QByteArray now = ReadFileBytes(path);
        EXPECT_TRUE(now == texts[0] || now == texts[1]);
        EXPECT_EQ(FilesIn(dir.path()), QStringList{u"urls.txt"_s});
    }
    ::close(written[0]);
    ::close(written[1]);
}

}  // namespace
}  // namespace pg::test
