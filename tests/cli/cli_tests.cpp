#include "cli/cli_options.h"
#include "support/event_loop.h"
#include "support/isolated_home.h"
#include "support/qstring_printer.h"
#include "support/scripted_server.h"
#include "support/test_bytes.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include <csignal>
#include <thread>

using namespace Qt::StringLiterals;

namespace pg::cli {
namespace {

TEST(CliOptionsTest, RefusesBadArguments) {
    const std::pair<QString, QString> cases[] = {
        // arguments, error (empty: accepted)
        {u""_s, u"no command given"_s},
        {u"fetch u"_s, u"unknown command: fetch"_s},
        {u"list"_s, u"no page URL given"_s},
        {u"list u u"_s, u"more than one page URL given"_s},
        {u"list --types"_s, u"--types needs a value"_s},
        {u"list --dir d u"_s, u"unknown option: --dir"_s},
        {u"list --password x u"_s, u"unknown option: --password"_s},
        {u"list --password-file - u"_s, {}},
        {u"get u"_s, u"get needs --dir DIR"_s},
        {u"get --dir d --port 0 u"_s, u"--port needs a number from 1 to 65535, not '0'"_s},
        {u"get --dir d --port 65535 --timeout 0 --retries 0 u"_s, {}},
        {u"get --dir d --port 65536 u"_s, u"--port needs a number from 1 to 65535, not '65536'"_s},
        {u"get --dir d --timeout 86401 u"_s,
         u"--timeout needs a number from 0 to 86400, not '86401'"_s},
        {u"get --dir d --retries -1 u"_s, u"--retries needs a number from 0 to 1000, not '-1'"_s},
    };
    for (const auto& [arguments, error] : cases) {
        const ParseResult result = ParseCliArguments(arguments.split(u' ', Qt::SkipEmptyParts));
        EXPECT_EQ(result.error, error) << arguments.toStdString();
        EXPECT_EQ(result.options.has_value(), error.isEmpty()) << arguments.toStdString();
    }
}

TEST(CliOptionsTest, PasswordIsTheFirstLineOfItsFile) {
    const QString path = test::IsolatedRoot() + u"/password"_s;
    ASSERT_TRUE(test::WriteFileBytes(path, "s3 cret\r\nsecond\n"));
    QString error;
    EXPECT_EQ(ReadPassword(path, error), u"s3 cret"_s);
    EXPECT_EQ(error, QString());
    ReadPassword(path + u"-missing"_s, error);
    EXPECT_NE(error, QString());
}

// The real program against a scripted server; the page is /d/page.html.
class CliProcessTest : public ::testing::Test {
protected:
    void start(const QStringList& arguments) {
        process.start(QStringLiteral(PG_CLI_PATH), arguments);
        ASSERT_TRUE(process.waitForStarted());
    }
    int run(const QStringList& arguments) {
        start(arguments);
        return process.waitForFinished(120000) && process.exitStatus() == QProcess::NormalExit
                   ? process.exitCode()
                   : -1;
    }
    // Links the names from the page and runs get on it.
    int get(const QByteArray& names) {
        http.handle("/d/page.html", http.bytes({.body = "<a href=" + names + ">"}));
        return run({u"get"_s, u"--types"_s, u"bin"_s, u"--dir"_s, dir.filePath(u"files"_s),
                    u"--log"_s, dir.filePath(u"error.log"_s), http.url("/d/page.html")});
    }
    QByteArray file(const QString& name) const { return test::ReadFileBytes(dir.filePath(name)); }

    test::ScriptedServer http;
    QTemporaryDir dir{test::IsolatedRoot() + u"/cli-XXXXXX"_s};
    QProcess process;
};

TEST_F(CliProcessTest, ListPrintsTheFileUrlsOrWhyThePageFailed) {
    http.handle("/d/page.html",
                http.bytes({.body = "<img src=a.gif> <a href=b.txt> <a href=c.jpg>"}));
    EXPECT_EQ(run({u"list"_s, http.url("/d/page.html")}), ExitOk);
    EXPECT_EQ(process.readAllStandardOutput(),
              (http.url("/d/a.gif") + u'\n' + http.url("/d/c.jpg") + u'\n').toUtf8());
    EXPECT_EQ(run({u"list"_s, http.url("/d/none.html")}), ExitPageFailed);
    EXPECT_EQ(process.readAllStandardError(),
              "Unable to retrieve web page source - check internet connection, URL, user name "
              "and password\n");
}

TEST_F(CliProcessTest, GetLogsAMissingFileAndFetchesTheOthers) {
    http.handle("/d/f1.bin", http.bytes({.body = test::MakeTestBytes(70000, 1)}));
    http.handle("/d/f3.bin", http.bytes({.body = test::MakeTestBytes(10, 3)}));
    EXPECT_EQ(get("f1.bin> <a href=f2.bin> <a href=f3.bin"), ExitFilesFailed);
    EXPECT_EQ(file(u"files/f1.bin"_s), test::MakeTestBytes(70000, 1));
    EXPECT_EQ(file(u"files/f3.bin"_s), test::MakeTestBytes(10, 3));
    EXPECT_EQ(QDir(dir.filePath(u"files"_s)).entryList(QDir::Files | QDir::Hidden).size(), 2);
    EXPECT_EQ(file(u"error.log"_s),
              (http.url("/d/f2.bin") + u"\r\nFile was not found.\r\n"_s).toUtf8());
}

TEST_F(CliProcessTest, GetResumesABrokenFileWithoutAsking) {
    http.handle("/d/big.bin", http.bytes({.body = test::MakeTestBytes(20000), .cutAfter = 10000}));
    EXPECT_EQ(get("big.bin"), ExitOk);
    EXPECT_EQ(file(u"files/big.bin"_s), test::MakeTestBytes(20000));
    std::vector<std::string> ranges;
    for (const test::ReceivedRequest& request : http.requests("/d/big.bin")) {
        ranges.push_back(request.header("Range"));
    }
    // Each resume starts a little before the end of what arrived.
    EXPECT_EQ(ranges, (std::vector<std::string>{"bytes=0-", "bytes=5904-", "bytes=11808-"}));
}

TEST_F(CliProcessTest, InterruptEndsGetWithoutLeavingParts) {
    http.handle("/d/page.html", http.bytes({.body = "<a href=slow.bin>"}));
    http.handle("/d/slow.bin", [](const httplib::Request&, httplib::Response& res) {
        res.set_content_provider(1 << 20, "", [](size_t offset, size_t, httplib::DataSink& sink) {
            if (offset > 0) {
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
            return sink.write(std::string(4096, 'x').data(), 4096);
        });
    });
    start({u"get"_s, u"--types"_s, u"bin"_s, u"--dir"_s, dir.filePath(u"files"_s),
           http.url("/d/page.html")});
    const auto parts = [this] {
        return QDir(dir.filePath(u"files"_s)).entryList(QDir::Files | QDir::Hidden);
    };
    ASSERT_TRUE(test::RunEventLoopUntil([&] { return !parts().isEmpty(); }));
    ::kill(static_cast<pid_t>(process.processId()), SIGINT);
    EXPECT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitCode(), ExitInterrupted);
    EXPECT_EQ(parts(), QStringList());
}

TEST_F(CliProcessTest, BadArgumentsShowTheUsage) {
    EXPECT_EQ(run({u"get"_s, http.url("/d/page.html")}), ExitUsage);
    const QByteArray err = process.readAllStandardError();
    EXPECT_TRUE(err.startsWith("pagegleaner-cli: get needs --dir DIR\n")) << err.constData();
    EXPECT_TRUE(err.contains("Usage:"));
}

}  // namespace
}  // namespace pg::cli
