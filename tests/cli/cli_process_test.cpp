// pagegleaner-cli run as a child process against servers of this test process.
#include "download/error_log.h"
#include "scan/extract_command.h"
#include "support/event_loop.h"
#include "support/test_bytes.h"
#include "support/test_http_server.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <csignal>
#include <functional>

using namespace Qt::StringLiterals;

namespace pg {
namespace {

using test::MakeTestBytes;
using test::Response;
using test::RunEventLoopUntil;
using test::Sha256;

struct CliRun {
    bool finished = false;
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

// A page linking each name, as the scan finds them: after a blank, quoted.
QByteArray PageLinking(const QList<QByteArray>& names) {
    QByteArray page = "<html><body>\n";
    for (const QByteArray& name : names) {
        page += "<a href=\"" + name + "\">" + name + "</a>\n";
    }
    return page + "</body></html>\n";
}

class CliProcessTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server.isListening());
        ASSERT_TRUE(temp.isValid());
        ASSERT_TRUE(QDir().mkpath(folder()));
    }

    QString folder() const { return temp.filePath(u"files"_s); }
    QString saved(const QString& name) const { return folder() + u'/' + name; }
    QString logPath() const { return temp.filePath(u"error.log"_s); }
    // Every file in the download folder, hidden ones included.
    QStringList folderFiles() const {
        return QDir(folder()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot,
                                        QDir::Name);
    }
    // Serves `files` under /site/ with a page linking them, in this order.
    void servePage(const QList<std::pair<QByteArray, QByteArray>>& files) {
        QList<QByteArray> names;
        for (const auto& [name, body] : files) {
            names.append(name);
            server.setRoute("/site/" + name, Response::withBody(body));
        }
        server.setRoute("/site/index.html", Response::withBody(PageLinking(names), "text/html"));
    }
    QString pageUrl() const { return server.url("/site/index.html"); }
    QStringList getArgs(const QStringList& extra = {}) const {
        return QStringList{u"get"_s, u"--dir"_s, folder(), u"--log"_s, logPath()} + extra +
               QStringList{pageUrl()};
    }

    // Runs the program while this process's event loop keeps the servers going;
    // whileRunning is called once the child has started.
    CliRun run(const QStringList& args, const std::function<void(QProcess&)>& whileRunning = {}) {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"LC_ALL"_s, u"C.UTF-8"_s);
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(PG_CLI_PATH), args);
        CliRun result;
        if (whileRunning) {
            RunEventLoopUntil([&] { return process.state() != QProcess::Starting; });
            whileRunning(process);
        }
        result.finished =
            RunEventLoopUntil([&] { return process.state() == QProcess::NotRunning; });
        if (!result.finished) {
            process.kill();
            RunEventLoopUntil([&] { return process.state() == QProcess::NotRunning; });
        }
        result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        result.out = process.readAllStandardOutput();
        result.err = process.readAllStandardError();
        return result;
    }

    test::TestHttpServer server;
    QTemporaryDir temp;
};

TEST_F(CliProcessTest, ListAndGetFilesOfSeveralTypes) {
    const QByteArray gif = MakeTestBytes(3000, 1);
    const QByteArray jpg = MakeTestBytes(70000, 2);
    const QByteArray exe = MakeTestBytes(0, 3);
    const QByteArray zip = MakeTestBytes(500, 4);
    servePage({{"one.gif", gif}, {"photo.JPG", jpg}, {"setup.exe", exe}, {"pack.zip", zip}});
    const QString base = server.url("/site/");

    const CliRun list = run({u"list"_s, pageUrl()});
    ASSERT_TRUE(list.finished);
    EXPECT_EQ(list.exitCode, 0) << list.err.toStdString();
    EXPECT_EQ(QString::fromUtf8(list.out),
              base + u"one.gif\n"_s + base + u"photo.JPG\n"_s + base + u"setup.exe\n"_s);
    const CliRun listAll = run({u"list"_s, u"--all"_s, pageUrl()});
    EXPECT_TRUE(listAll.out.endsWith("setup.exe\n" + base.toUtf8() + "pack.zip\n"));

    // The default log is recreated empty.
    const QString defaultLog = DefaultErrorLogPath();
    ASSERT_TRUE(QDir().mkpath(QFileInfo(defaultLog).absolutePath()));
    ASSERT_TRUE(test::WriteFileBytes(defaultLog, "an earlier batch\r\n"));
    const CliRun get =
        run({u"get"_s, u"--types"_s, u"gif,jpg,exe,zip"_s, u"--dir"_s, folder(), pageUrl()});
    ASSERT_TRUE(get.finished);
    EXPECT_EQ(get.exitCode, 0) << get.err.toStdString();
    EXPECT_TRUE(get.out.isEmpty());
    EXPECT_EQ(folderFiles(),
              (QStringList{u"one.gif"_s, u"pack.zip"_s, u"photo.JPG"_s, u"setup.exe"_s}));
    EXPECT_EQ(Sha256(test::ReadFileBytes(saved(u"one.gif"_s))), Sha256(gif));
    EXPECT_EQ(Sha256(test::ReadFileBytes(saved(u"photo.JPG"_s))), Sha256(jpg));
    EXPECT_EQ(test::ReadFileBytes(saved(u"setup.exe"_s)), QByteArray());
    EXPECT_EQ(test::ReadFileBytes(saved(u"pack.zip"_s)), zip);
    EXPECT_EQ(test::ReadFileBytes(defaultLog), QByteArray());
    const QString err = QString::fromUtf8(get.err);
    EXPECT_TRUE(err.startsWith(u"[1/4] "_s + base + u"one.gif -> "_s + saved(u"one.gif"_s) +
                               u"\n[1/4] one.gif completed ("_s))
        << get.err.toStdString();
    EXPECT_TRUE(err.contains(u"\n[2/4] "_s + base + u"photo.JPG -> "_s + saved(u"photo.JPG"_s)));
    EXPECT_TRUE(err.endsWith(u"\n4 files downloaded successfully!\n"_s)) << get.err.toStdString();
}

TEST_F(CliProcessTest, BrokenTwiceResumesFromFourKilobytesBeforeTheLastByte) {
    const QByteArray body = MakeTestBytes(40000, 5);
    int served = 0;
    server.setRoute("/site/big.exe", [&](const test::RecordedRequest&) {
        Response r = Response::withBody(body);
        const qint64 cuts[] = {10000, 12000};  // body bytes of the first two answers
        if (served < 2) {
            r.breakAfter = cuts[served];
        }
        ++served;
        return r;
    });
    server.setRoute("/site/index.html", Response::withBody(PageLinking({"big.exe"})));
    const CliRun r = run(getArgs());
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    QList<QByteArray> ranges;
    for (const auto& request : server.requestsFor("/site/big.exe")) {
        ranges.append(request.header("Range"));
    }
    // 10000 - 4096 = 5904, then 5904 + 12000 - 4096 = 13808.
    EXPECT_EQ(ranges, (QList<QByteArray>{"bytes=0-", "bytes=5904-", "bytes=13808-"}));
    EXPECT_EQ(Sha256(test::ReadFileBytes(saved(u"big.exe"_s))), Sha256(body));
    EXPECT_EQ(r.err.count("[1/1] Resuming download...\n"), 2) << r.err.toStdString();
    EXPECT_EQ(test::ReadFileBytes(logPath()), QByteArray());
}

TEST_F(CliProcessTest, MissingFileAmongOthersIsLogged) {
    servePage({{"a.gif", MakeTestBytes(2000, 1)}, {"c.jpg", MakeTestBytes(2500, 2)}});
    server.setRoute("/site/index.html",
                    Response::withBody(PageLinking({"a.gif", "gone.gif", "c.jpg"})));
    const CliRun r = run(getArgs());
    EXPECT_EQ(r.exitCode, 3) << r.err.toStdString();
    EXPECT_EQ(folderFiles(), (QStringList{u"a.gif"_s, u"c.jpg"_s}));
    EXPECT_EQ(test::ReadFileBytes(logPath()),
              server.url("/site/gone.gif").toUtf8() + "\r\nFile was not found.\r\n");
    EXPECT_TRUE(r.err.contains("\n[2/3] gone.gif failed: File was not found.\n"));
    EXPECT_TRUE(
        r.err.endsWith("\nErrors occurred while downloading - see " + logPath().toUtf8() + "\n"))
        << r.err.toStdString();
}

TEST_F(CliProcessTest, NoRetriesLeavesNoPartOfABrokenFile) {
    const QByteArray first = MakeTestBytes(5000, 7);
    server.setRoute("/site/first.gif", Response::withBody(first));
    server.setRoute("/site/broken.gif", [](const test::RecordedRequest&) {
        Response r = Response::withBody(MakeTestBytes(20000, 8));
        r.breakAfter = 8000;
        return r;
    });
    server.setRoute("/site/index.html",
                    Response::withBody(PageLinking({"first.gif", "broken.gif"})));
    ASSERT_TRUE(test::WriteFileBytes(saved(u"broken.gif"_s), "the earlier broken.gif"));
    const CliRun r = run(getArgs({u"--retries"_s, u"0"_s}));
    EXPECT_EQ(r.exitCode, 3) << r.err.toStdString();
    EXPECT_EQ(server.requestCount("/site/broken.gif"), 1);
    EXPECT_EQ(folderFiles(), (QStringList{u"broken.gif"_s, u"first.gif"_s}));
    EXPECT_EQ(test::ReadFileBytes(saved(u"broken.gif"_s)), "the earlier broken.gif");
    EXPECT_EQ(test::ReadFileBytes(saved(u"first.gif"_s)), first);
    EXPECT_EQ(test::ReadFileBytes(logPath()), server.url("/site/broken.gif").toUtf8() +
                                                  "\r\nDownload incomplete - no retries left.\r\n");
}

TEST_F(CliProcessTest, PageThatCannotBeRetrievedEndsWithTheWindowsStatusText) {
    ASSERT_TRUE(test::WriteFileBytes(logPath(), "kept\r\n"));
    const struct {
        QString url;
        QString status;
    } cases[] = {{server.url("/nowhere.html"), ScanText::RequestFailed},
                 {u"www.example.invalid/page.html"_s, ScanText::BadPrefix}};
    for (const auto& c : cases) {
        for (const QString& command : {u"list"_s, u"get"_s}) {
            const QStringList args =
                command == u"list"_s
                    ? QStringList{command, c.url}
                    : QStringList{command, u"--dir"_s, folder(), u"--log"_s, logPath(), c.url};
            const CliRun r = run(args);
            EXPECT_EQ(r.exitCode, 2) << command.toStdString() << ' ' << c.url.toStdString();
            EXPECT_EQ(QString::fromUtf8(r.err), c.status + u'\n');
            EXPECT_TRUE(r.out.isEmpty());
        }
    }
    EXPECT_EQ(test::ReadFileBytes(logPath()),
              "kept\r\n");  // only a batch that starts replaces the log
}

TEST_F(CliProcessTest, BadArgumentsExitWithUsage) {
    const QStringList cases[] = {
        {},
        {u"get"_s, pageUrl()},
        {u"get"_s, u"--dir"_s, folder(), u"--port"_s, u"0"_s, pageUrl()},
        {u"list"_s, u"--colour"_s, pageUrl()},
        {u"get"_s, u"--dir"_s, folder(), u"--password-file"_s, temp.filePath(u"none"_s), pageUrl()},
    };
    for (const QStringList& args : cases) {
        const CliRun r = run(args);
        EXPECT_EQ(r.exitCode, 64) << args.join(u' ').toStdString();
        EXPECT_TRUE(r.err.startsWith("pagegleaner-cli: ")) << r.err.toStdString();
    }
    EXPECT_EQ(server.requestCount(), 0);
}

TEST_F(CliProcessTest, PasswordFileOpensAProtectedPageAndItsFiles) {
    servePage({{"p1.gif", MakeTestBytes(1500, 1)}, {"p2.jpg", MakeTestBytes(1800, 2)}});
    for (const QByteArray path : {"/site/index.html", "/site/p1.gif", "/site/p2.jpg"}) {
        server.setBasicAuth(path, "ann", "s3cret word");
    }
    const QString passwordFile = temp.filePath(u"password"_s);
    ASSERT_TRUE(test::WriteFileBytes(passwordFile, "s3cret word\nsecond line\n"));
    const CliRun r = run(getArgs({u"--user"_s, u"ann"_s, u"--password-file"_s, passwordFile}));
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(folderFiles(), (QStringList{u"p1.gif"_s, u"p2.jpg"_s}));
    EXPECT_EQ(test::ReadFileBytes(saved(u"p2.jpg"_s)), MakeTestBytes(1800, 2));

    ASSERT_TRUE(test::WriteFileBytes(passwordFile, "wrong\n"));
    const CliRun refused =
        run(getArgs({u"--user"_s, u"ann"_s, u"--password-file"_s, passwordFile}));
    EXPECT_EQ(refused.exitCode, 2);
}

TEST_F(CliProcessTest, PortAppliesToFileUrlsThatNameNone) {
    server.setRoute("/site/index.html",
                    Response::withBody("<a href=\"http://127.0.0.1/site/far.gif\">far</a>"));
    server.setRoute("/site/far.gif", Response::withBody("from the port"));
    const CliRun r = run(getArgs({u"--port"_s, QString::number(server.port())}));
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(test::ReadFileBytes(saved(u"far.gif"_s)), "from the port");
}

TEST_F(CliProcessTest, CtrlCCancelsTheCurrentFileAndEndsTheBatch) {
    server.setRoute("/site/a.gif", Response::withBody("small"));
    Response slow = Response::withBody(MakeTestBytes(2000000, 9));
    slow.throttleBytes = 8192;
    slow.throttleIntervalMs = 10;
    server.setRoute("/site/b.gif", slow);
    server.setRoute("/site/c.gif", Response::withBody("never"));
    server.setRoute("/site/index.html",
                    Response::withBody(PageLinking({"a.gif", "b.gif", "c.gif"})));
    ASSERT_TRUE(test::WriteFileBytes(saved(u"b.gif"_s), "the earlier b.gif"));
    const CliRun r = run(getArgs(), [&](QProcess& process) {
        // Interrupt once b.gif has its temporary file beside the earlier one.
        ASSERT_TRUE(RunEventLoopUntil([&] { return folderFiles().size() == 3; }))
            << folderFiles().join(u' ').toStdString();
        ::kill(static_cast<pid_t>(process.processId()), SIGINT);
    });
    EXPECT_EQ(r.exitCode, 130) << r.err.toStdString();
    EXPECT_EQ(folderFiles(), (QStringList{u"a.gif"_s, u"b.gif"_s}));
    EXPECT_EQ(test::ReadFileBytes(saved(u"b.gif"_s)), "the earlier b.gif");
    EXPECT_EQ(server.requestCount("/site/c.gif"), 0);
    EXPECT_TRUE(r.err.endsWith("[2/3] b.gif failed: interrupted.\nDownload interrupted.\n"))
        << r.err.toStdString();
    EXPECT_EQ(test::ReadFileBytes(logPath()), QByteArray());
}

}  // namespace
}  // namespace pg
