// The real window tree on a private desktop: Xvfb, a session bus, the
// accessibility bus and its registry, started by the test and ended with it.
#include "desktop/browser_url.h"
#include "platform/desktop_window_tree.h"
#include "support/scripted_server.h"

#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <sys/prctl.h>

#include <csignal>
#include <memory>
#include <vector>

using namespace Qt::StringLiterals;

namespace pg {
namespace {

class LiveDesktop : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        for (const QString& program :
             {u"/usr/bin/Xvfb"_s, u"/usr/bin/dbus-daemon"_s, u"/usr/libexec/at-spi-bus-launcher"_s,
              u"/usr/libexec/at-spi2-registryd"_s}) {
            if (!QFileInfo(program).isExecutable()) {
                skipReason_ = program + u" is not installed"_s;
                return;
            }
        }
        // Each server prints where it listens once it is ready. Without
        // -noreset the X server resets when its first clients leave and turns
        // away those connecting meanwhile.
        const QString display =
            firstLine(start(u"/usr/bin/Xvfb"_s,
                            {u"-displayfd"_s, u"1"_s, u"-screen"_s, u"0"_s, u"1024x768x24"_s,
                             u"-noreset"_s, u"-nolisten"_s, u"tcp"_s},
                            {}, true));
        const QString bus =
            firstLine(start(u"/usr/bin/dbus-daemon"_s,
                            {u"--session"_s, u"--nofork"_s, u"--print-address=1"_s}, {}, true));
        if (display.isEmpty() || bus.isEmpty()) {
            skipReason_ = u"Xvfb or the session bus did not start"_s;
            return;
        }
        qputenv("DISPLAY", (u":"_s + display).toLocal8Bit());
        qputenv("DBUS_SESSION_BUS_ADDRESS", bus.toLocal8Bit());
        start(u"/usr/libexec/at-spi-bus-launcher"_s, {u"--launch-immediately"_s});
        start(u"/usr/libexec/at-spi2-registryd"_s, {});
        const QDeadlineTimer deadline(20000);
        while (!QDBusConnection::sessionBus().interface()->isServiceRegistered(u"org.a11y.Bus"_s)) {
            if (deadline.hasExpired()) {
                skipReason_ = u"the accessibility bus did not start"_s;
                return;
            }
            QThread::msleep(50);
        }
    }
    static void TearDownTestSuite() {
        for (auto it = processes_.rbegin(); it != processes_.rend(); ++it) {
            (*it)->terminate();
            (*it)->waitForFinished(5000);
        }
        processes_.clear();
    }
    void SetUp() override {
        if (!skipReason_.isEmpty()) {
            GTEST_SKIP() << skipReason_.toStdString();
        }
    }

    // Output goes nowhere unless it is read: helpers that the servers start
    // would otherwise hold the test runner's output open.
    static QProcess& start(const QString& program, const QStringList& args,
                           const QStringList& environment = {}, bool readOutput = false) {
        auto process = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const QString& variable : environment) {  // "NAME=value"
            env.insert(variable.section(u'=', 0, 0), variable.section(u'=', 1));
        }
        process->setProcessEnvironment(env);
        process->setStandardErrorFile(QProcess::nullDevice());
        if (!readOutput) {
            process->setStandardOutputFile(QProcess::nullDevice());
        }
        // Ends with the test process even when that is killed.
        process->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
        process->start(program, args);
        processes_.push_back(std::move(process));
        return *processes_.back();
    }
    static QString firstLine(QProcess& process) {
        while (!process.canReadLine() && process.waitForReadyRead(20000)) {
        }
        return QString::fromLocal8Bit(process.readLine()).trimmed();
    }
    // Captures until the address appears or a minute has passed: the program
    // under test needs a moment to show its window and expose it.
    static BrowserUrlCapture captureUntil(const QString& url) {
        DesktopWindowTree tree;
        BrowserUrlCapture capture = CaptureBrowserUrl(tree);
        for (const QDeadlineTimer deadline(60000); capture.url != url && !deadline.hasExpired();) {
            QThread::msleep(200);
            capture = CaptureBrowserUrl(tree);
        }
        return capture;
    }
    // pagegleaner-cli browser-url: exit code, stdout and stderr.
    static QString runCli() {
        QProcess cli;
        cli.start(QStringLiteral(PG_CLI), {u"browser-url"_s});
        cli.waitForFinished(30000);
        return u"%1|%2|%3"_s.arg(cli.exitCode())
            .arg(QString::fromLocal8Bit(cli.readAllStandardOutput()),
                 QString::fromLocal8Bit(cli.readAllStandardError()));
    }

    static inline QString skipReason_;
    static inline std::vector<std::unique_ptr<QProcess>> processes_;
};

TEST_F(LiveDesktop, NoBrowserWindowTurnsTheAccessibilityBusOn) {
    DesktopWindowTree tree;
    EXPECT_EQ(CaptureBrowserUrl(tree).status, BrowserUrlStatus::NoBrowser);
    QDBusMessage get = QDBusMessage::createMethodCall(
        u"org.a11y.Bus"_s, u"/org/a11y/bus"_s, u"org.freedesktop.DBus.Properties"_s, u"Get"_s);
    get << u"org.a11y.Status"_s << u"IsEnabled"_s;
    const QDBusMessage reply = QDBusConnection::sessionBus().call(get);
    EXPECT_TRUE(reply.arguments().value(0).value<QDBusVariant>().variant().toBool());
    EXPECT_EQ(runCli(), u"2||Unable to obtain URL from browser - no browser found\n"_s);
}

TEST_F(LiveDesktop, StandInWindowGivesItsTrimmedAddressField) {
    start(QStringLiteral(PG_BROWSER_STAND_IN),
          {u"Some page - Mozilla Firefox"_s, u"  HTTP://127.0.0.1/x.html  "_s},
          {u"QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1"_s, u"QT_QPA_PLATFORM=xcb"_s});
    const BrowserUrlCapture capture = captureUntil(u"HTTP://127.0.0.1/x.html"_s);
    EXPECT_EQ(capture.url, u"HTTP://127.0.0.1/x.html"_s)
        << BrowserUrlStatusText(capture.status).toStdString();
    EXPECT_EQ(runCli(), u"0|HTTP://127.0.0.1/x.html\n|"_s);
}

// The address bar holds "127.0.0.1:PORT/page.html"; the page's own URL is whole.
TEST_F(LiveDesktop, ChromiumGivesTheFullUrlOfItsPage) {
    if (!QFileInfo(u"/usr/bin/chromium"_s).isExecutable()) {
        GTEST_SKIP() << "/usr/bin/chromium is not installed";
    }
    test::ScriptedServer http;
    http.handle("/page.html", test::ScriptedServer::bytes(
                                  {.body = "<title>T</title>", .contentType = "text/html"}));
    QTemporaryDir profile;
    QProcess& chromium = start(
        u"/usr/bin/chromium"_s,
        {u"--force-renderer-accessibility"_s, u"--no-sandbox"_s, u"--disable-gpu"_s,
         u"--no-first-run"_s, u"--disable-background-networking"_s, u"--disable-component-update"_s,
         u"--disable-sync"_s, u"--user-data-dir="_s + profile.path(), http.url("/page.html")},
        {u"ACCESSIBILITY_ENABLED=1"_s});
    const BrowserUrlCapture capture = captureUntil(http.url("/page.html"));
    chromium.terminate();
    chromium.waitForFinished(10000);
    EXPECT_EQ(capture.url, http.url("/page.html"))
        << BrowserUrlStatusText(capture.status).toStdString();
}

}  // namespace
}  // namespace pg
