#include "cli/cli_options.h"
#include "cli/terminal_progress.h"
#include "cli/terminal_text.h"
#include "support/event_loop.h"
#include "support/isolated_home.h"
#include "support/qstring_printer.h"
#include "support/raw_responder.h"
#include "support/scripted_server.h"
#include "support/test_bytes.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <atomic>
#include <csignal>
#include <thread>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace pg::cli {
namespace {

using namespace testing;

// The exit codes as the help and the README give them: scripts rely on the numbers.
constexpr int kOk = 0, kPageFailed = 2, kFilesFailed = 3, kUsage = 64, kInterrupted = 130;

TEST(CliOptionsTest, RefusesBadArguments) {
    // arguments, error (empty: accepted)
    const std::pair<QString, QString> cases[] = {
        {u""_s, u"no command given"_s},
        {u"fetch u"_s, u"unknown command: fetch"_s},
        {u"list"_s, u"no page URL given"_s},
        {u"list u u"_s, u"more than one page URL given"_s},
        {u"list --types"_s, u"--types needs a value"_s},
        {u"list --password x u"_s, u"unknown option: --password"_s},
        {u"list --password-file - u"_s, {}},
        {u"get u"_s, u"get needs --dir DIR"_s},
        {u"get --dir d --port 65535 --timeout 0 --retries 0 u"_s, {}},
        {u"get --dir d --port 0 u"_s, u"--port needs a number from 1 to 65535, not '0'"_s},
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

TEST(CliOptionsTest, EachOptionSetsItsOwnValue) {
    const ParseResult parsed = ParseCliArguments(
        u"get --dir D --all --types T --contains C --user U --password-file P --port 8081 "
        u"--timeout 7 --retries 5 --log L URL"_s.split(u' '));
    ASSERT_TRUE(parsed.options) << parsed.error.toStdString();
    const CliOptions& o = *parsed.options;
    EXPECT_EQ(std::tuple(o.command, o.directory, o.allTypes, o.types, o.contains, o.userName,
                         o.passwordFile, o.logFile, o.url),
              std::tuple(u"get"_s, u"D"_s, true, u"T"_s, u"C"_s, u"U"_s, u"P"_s, u"L"_s, u"URL"_s));
    EXPECT_EQ(std::tuple(o.port, o.timeoutSecs, o.retries), std::tuple(8081, 7, 5));
    const CliOptions defaults = *ParseCliArguments({u"get"_s, u"--dir"_s, u"D"_s, u"U"_s}).options;
    EXPECT_EQ(std::tuple(defaults.port, defaults.timeoutSecs, defaults.retries, defaults.allTypes,
                         defaults.types),
              std::tuple(80, 60, 3, false, u"gif,jpg,exe,htm,html"_s));
}

TEST(CliOptionsTest, PasswordIsTheFirstLineOfItsFile) {
    const QString path = test::IsolatedRoot() + u"/password"_s;
    ASSERT_TRUE(test::WriteFileBytes(path, "s3 cret\r\nsecond\n"));
    QString error;
    EXPECT_EQ(ReadPassword(path, error) + error, u"s3 cret"_s);
    ReadPassword(path + u"-missing"_s, error);
    EXPECT_NE(error, QString());
}

// The real program against a scripted server; the page is /d/page.html.
class CliProcessTest : public ::testing::Test {
protected:
    void start(const QStringList& arguments) {
        process.start(QStringLiteral(PG_CLI_PATH), arguments);
    }
    // The exit code once the program has ended; -1 when it crashed or hung.
    int exitCode() {
        return process.waitForFinished(120000) && process.exitStatus() == QProcess::NormalExit
                   ? process.exitCode()
                   : -1;
    }
    int run(const QStringList& arguments) {
        start(arguments);
        return exitCode();
    }
    void interrupt(int signal = SIGINT) {
        ASSERT_GT(process.processId(), 0);  // kill(0) would hit this process too
        ::kill(static_cast<pid_t>(process.processId()), signal);
    }
    // Links the names from the page; the arguments of get on it with the options.
    QStringList get(const QStringList& names, const QStringList& options = {}) {
        const QString links = u"<a href="_s + names.join(u"> <a href="_s) + u'>';
        http.handle("/d/page.html", http.bytes({.body = links.toUtf8()}));
        const QStringList folders{dir.filePath(u"files"_s), u"--log"_s,
                                  dir.filePath(u"error.log"_s)};
        return u"get --types bin --dir"_s.split(u' ') + folders + options +
               QStringList{http.url("/d/page.html")};
    }
    QByteArray file(const QString& name) const { return test::ReadFileBytes(dir.filePath(name)); }
    QStringList files() const {  // the download folder's, hidden ones included
        return QDir(dir.filePath(u"files"_s)).entryList(QDir::Files | QDir::Hidden);
    }

    test::ScriptedServer http;
    QTemporaryDir dir{test::IsolatedRoot() + u"/cli-XXXXXX"_s};
    QProcess process;
};

TEST_F(CliProcessTest, ListPrintsTheFileUrlsOrWhyThePageFailedAndBadArgumentsTheUsage) {
    // A page without wanted files is no failure: nothing to list or fetch.
    EXPECT_EQ(run(get({u"a.gif"_s, u"b.txt"_s}, {u"--types"_s, u"zip"_s})), kOk);
    EXPECT_EQ(process.readAllStandardError(), "0 files downloaded successfully!\n");
    EXPECT_EQ(run({u"list"_s, u"--types"_s, u"zip"_s, http.url("/d/page.html")}), kOk);
    EXPECT_EQ(process.readAllStandardOutput(), "");
    EXPECT_EQ(run({u"list"_s, http.url("/d/page.html")}), kOk);
    EXPECT_EQ(process.readAllStandardOutput(), (http.url("/d/a.gif") + u'\n').toUtf8());
    EXPECT_EQ(run({u"list"_s, http.url("/d/none.html")}), kPageFailed);
    EXPECT_EQ(process.readAllStandardError(),
              "Unable to retrieve web page source - check internet connection, URL, user name "
              "and password\npagegleaner-cli: HTTP status 404\n");
    EXPECT_EQ(run({u"get"_s, http.url("/d/page.html")}), kUsage);
    EXPECT_THAT(process.readAllStandardError().toStdString(),
                AllOf(StartsWith("pagegleaner-cli: get needs --dir DIR\n"), HasSubstr("Usage:")));
}

// SIGINT (Ctrl+C), SIGTERM and SIGHUP end every transfer of get and keep their
// part files; after any of them, SIGKILL included, the next run resumes each
// part file while its version still holds, and leaves nothing beside the files.
TEST_F(CliProcessTest, AStoppedOrKilledGetIsResumedByTheNextRun) {
    const QByteArray body = test::MakeTestBytes(1 << 20);
    std::atomic<bool> slow = true;
    for (const char* path : {"/d/a.bin", "/d/b.bin"}) {
        http.handle(path, [&](const httplib::Request&, httplib::Response& res) {
            res.set_header("ETag", "\"k1\"");
            res.set_content_provider(
                body.size(), "", [&](size_t at, size_t, httplib::DataSink& sink) {
                    std::this_thread::sleep_for(slow ? 20ms : 0ms);
                    return sink.write(body.constData() + at,
                                      std::min<size_t>(4096, body.size() - at));
                });
        });
    }
    const QStringList arguments = get({u"a.bin"_s, u"b.bin"_s}, {u"--parallel"_s, u"2"_s});
    const auto partSize = [&] {  // the smaller part file while both stand
        const QStringList parts = files().filter(u".pgpart"_s);
        return parts.size() != 2 ? 0
                                 : std::min(QFileInfo(dir.filePath(u"files/"_s + parts[0])).size(),
                                            QFileInfo(dir.filePath(u"files/"_s + parts[1])).size());
    };
    for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGKILL}) {
        const qint64 before = partSize();
        start(arguments);
        // Under way: both parts have grown well past where this run resumed them.
        ASSERT_TRUE(test::RunEventLoopUntil([&] { return partSize() > before + 16384; }));
        interrupt(signal);
        EXPECT_EQ(exitCode(), signal == SIGKILL ? -1 : kInterrupted);
        EXPECT_EQ(files().filter(u".pgpart"_s).size(), 2);
    }
    slow = false;
    EXPECT_EQ(run(arguments), kOk);
    EXPECT_EQ(files(), (QStringList{u"a.bin"_s, u"b.bin"_s}));
    for (const char* path : {"/d/a.bin", "/d/b.bin"}) {
        EXPECT_EQ(file(u"files"_s + QString::fromLatin1(path).sliced(2)), body);
        const test::ReceivedRequest resume = http.requests(path).back();
        EXPECT_NE(resume.header("Range"), "bytes=0-") << path;
        EXPECT_EQ(resume.header("If-Range"), "\"k1\"") << path;
    }
}

// Files three at once end as they would one after the other: each whole, a
// broken one resumed without asking and with retries of its own, the log in the
// order of the list, a later file of the same name under a numbered one; and no
// server ever has more requests at once than --parallel allows.
TEST_F(CliProcessTest, GetFetchesEachFileWholeAndLogsInTheOrderOfTheList) {
    std::atomic<int> active = 0, most = 0;
    QStringList names;
    QByteArray log;
    // Every fourth file is missing, the one after it breaks off halfway; the
    // last two have the same name.
    for (int i = 0; i < 12; ++i) {
        names.append(i < 10 ? u"f%1.bin"_s.arg(i) : u"%1/big.bin"_s.arg(i));
        const QByteArray path = "/d/" + names.last().toUtf8();
        if (i % 4 == 1) {
            log += http.url(path).toUtf8() + "\r\nFile was not found.\r\n";
            continue;
        }
        const auto next = http.bytes({.body = test::MakeTestBytes(20000, i),
                                      .cutAfter = i % 4 == 2 ? 10000 : -1,
                                      .etag = "\"e\""});
        http.handle(
            path.toStdString(), [&, next](const httplib::Request& req, httplib::Response& res) {
                const int now = ++active;
                for (int seen = most; now > seen && !most.compare_exchange_weak(seen, now);) {
                }
                std::this_thread::sleep_for(30ms);
                next(req, res);
                --active;
            });
    }
    const QByteArray saved =
        "Saved as \"big (2).bin\": an earlier file of this batch is \"big.bin\".";
    log += http.url("/d/11/big.bin").toUtf8() + "\r\n" + saved + "\r\n";
    EXPECT_EQ(run(get(names, {u"--parallel"_s, u"3"_s, u"--retries"_s, u"2"_s})), kFilesFailed);
    EXPECT_EQ(file(u"error.log"_s), log);
    EXPECT_THAT(process.readAllStandardError().toStdString(),
                HasSubstr("[12/12] " + saved.toStdString() + '\n'));
    EXPECT_EQ(files().size(), 9);
    for (int i = 0; i < 12; ++i) {
        const QString name = i < 10 ? names[i] : i == 10 ? u"big.bin"_s : u"big (2).bin"_s;
        EXPECT_EQ(file(u"files/"_s + name),
                  i % 4 == 1 ? "<missing>" : test::MakeTestBytes(20000, i));
    }
    std::vector<std::string> ranges;
    for (const test::ReceivedRequest& request : http.requests("/d/10/big.bin")) {
        ranges.push_back(request.header("Range"));
    }
    // Each resume starts a little before the end of what arrived.
    EXPECT_EQ(ranges, (std::vector<std::string>{"bytes=0-", "bytes=5904-", "bytes=11808-"}));
    EXPECT_LE(most, 3);
    EXPECT_GE(most, 2) << "the files did not overlap";
}

// The files are asked for as a browser asks: with the cookies that the page's
// answers (its redirect's too) set, for their own host only, and with the
// page, or only its origin for another host, as Referer.
TEST_F(CliProcessTest, FileRequestsCarryThePagesCookiesAndReferer) {
    test::ScriptedServer other;  // "localhost": another host as far as cookies go
    const QString elsewhere = u"http://localhost:%1/g.bin"_s.arg(other.port());
    other.handle("/g.bin", other.bytes({.body = "g"}));
    http.handle("/start", [](const httplib::Request&, httplib::Response& res) {
        res.set_header("Set-Cookie", "r=1; Path=/");
        res.set_redirect("/d/page.html");
    });
    http.handle("/d/page.html", [&](const httplib::Request&, httplib::Response& res) {
        res.set_header("Set-Cookie", "s=2; Path=/");
        res.set_content((u"<a href=f.bin> <a href="_s + elsewhere + u'>').toStdString(),
                        "text/html");
    });
    http.handle("/d/f.bin", http.bytes({.body = "f"}));
    EXPECT_EQ(run({u"get"_s, u"--types"_s, u"bin"_s, u"--dir"_s, dir.filePath(u"files"_s),
                   http.url("/start")}),
              kOk);
    ASSERT_EQ(http.requests("/d/f.bin").size(), 1);
    const test::ReceivedRequest same = http.requests("/d/f.bin")[0];
    EXPECT_THAT(same.header("Cookie"), AllOf(HasSubstr("r=1"), HasSubstr("s=2")));
    EXPECT_EQ(same.header("Referer"), http.url("/d/page.html").toStdString());
    ASSERT_EQ(other.requests("/g.bin").size(), 1);
    EXPECT_EQ(other.requests("/g.bin")[0].header("Cookie"), "");
    EXPECT_EQ(other.requests("/g.bin")[0].header("Referer"), http.url("/").toStdString());
}

TEST(TerminalTextTest, ControlCharactersAreShownAsHexCodes) {
    const std::pair<QString, QString> cases[] = {
        {u"a\x1b]0;title\x07z"_s, u"a\\x1B]0;title\\x07z"_s},
        {u"\0\t\r\n\x7f\u0080\u009b"_s, u"\\x00\\x09\\x0D\\x0A\\x7F\\x80\\x9B"_s},
        {u"\u00a0\u00e9 \\x1B ~"_s, u"\u00a0\u00e9 \\x1B ~"_s},
    };
    for (const auto& [text, shown] : cases) {
        EXPECT_EQ(EscapeControls(text), shown);
    }
    EXPECT_EQ(
        ProgressBarLine(
            {.received = 10, .targetName = u"a\x1b[2Jb.bin"_s, .itemNumber = 1, .itemCount = 1},
            80),
        u"[1/1] a\\x1B[2Jb.bin 10 bytes"_s);
}

// Links carrying a terminal escape (ESC) and a C1 control introducer (U+009B),
// and an error log that cannot be written.
TEST_F(CliProcessTest, PageTextIsEscapedOnTheTerminalAndAnUnwritableLogIsReported) {
    EXPECT_EQ(run(get({u"a\x1b[2Jb.bin"_s, u"c\u009bm.bin"_s}, {u"--log"_s, u"/dev/full"_s})),
              kFilesFailed);
    const std::string err = process.readAllStandardError().toStdString();
    EXPECT_THAT(err, Not(AnyOf(HasSubstr("\x1b"), HasSubstr("\xc2\x9b"))));
    EXPECT_THAT(err, HasSubstr("a\\x1B[2Jb.bin -> " + dir.filePath(u"files"_s).toStdString() +
                               "/a_[2Jb.bin"));
    EXPECT_THAT(err, EndsWith("pagegleaner-cli: cannot write the error log /dev/full: No space "
                              "left on device\nErrors occurred while downloading - see the lines "
                              "above\n"));
    // Into a pipe, list writes each URL as the request for it goes out.
    EXPECT_EQ(run({u"list"_s, u"--types"_s, u"bin"_s, http.url("/d/page.html")}), kOk);
    EXPECT_EQ(process.readAllStandardOutput(),
              (http.url("/d/a%1B[2Jb.bin") + u'\n' + http.url("/d/c%C2%9Bm.bin") + u'\n').toUtf8());
}

// A page server that says nothing is bounded by --timeout, and Ctrl+C calls the
// page off with the exit code of an interrupt.
TEST_F(CliProcessTest, ASilentPageEndsByTheTimeOutOrByCtrlC) {
    std::atomic<int> asked = 0;
    test::RawResponder silent([&asked](const QByteArray&) {
        ++asked;
        return test::RawAnswer{.stall = true};
    });
    EXPECT_EQ(run({u"get"_s, u"--timeout"_s, u"1"_s, u"--dir"_s, dir.path(), silent.url("/")}),
              kPageFailed);
    EXPECT_THAT(process.readAllStandardError().toStdString(),
                MatchesRegex("Unable to retrieve web page source - [^\n]*\n"
                             "pagegleaner-cli: Timeout was reached\n"));
    for (const QString& command : {u"list"_s, u"get"_s}) {
        asked = 0;
        start(command == u"list"_s ? QStringList{command, silent.url("/")}
                                   : QStringList{command, u"--dir"_s, dir.path(), silent.url("/")});
        ASSERT_TRUE(test::RunEventLoopUntil([&] { return asked > 0; }));
        interrupt();
        EXPECT_EQ(exitCode(), kInterrupted) << command.toStdString();
        EXPECT_EQ(process.readAllStandardError(), "Interrupted while retrieving the page.\n");
    }
}

}  // namespace
}  // namespace pg::cli
