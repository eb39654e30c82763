// The capture of the command line on a private desktop: Xvfb and a session
// bus started by each test and ended with it, the real window tree, a
// stand-in browser window and, when installed, Chromium.
#include "support/child_processes.h"
#include "support/isolated_home.h"
#include "support/scripted_server.h"

#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDeadlineTimer>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace pg {
namespace {

// What pagegleaner-cli browser-url gives (exit code, stdout and stderr) once
// it is `expected` or a minute has passed: a new window takes a moment to show.
QString RunCliUntil(const QString& expected) {
    QString given;
    for (const QDeadlineTimer deadline(60000); given != expected && !deadline.hasExpired();) {
        QProcess cli;
        cli.start(QStringLiteral(PG_CLI), {u"browser-url"_s});
        cli.waitForFinished(30000);
        given = u"%1|%2|%3"_s.arg(cli.exitCode())
                    .arg(QString::fromLocal8Bit(cli.readAllStandardOutput()),
                         QString::fromLocal8Bit(cli.readAllStandardError()));
    }
    return given;
}

// Each test gets a desktop of its own; the session bus starts the
// accessibility bus and its registry when they are first asked for. Each
// server prints where it listens once it is ready.
class LiveDesktop : public ::testing::Test {
protected:
    void SetUp() override {
        const QString display = children.startXvfb();
        bus_ = children.start(u"/usr/bin/dbus-daemon"_s,
                              {u"--session"_s, u"--nofork"_s, u"--print-address=1"_s}, true);
        if (display.isEmpty() || bus_.isEmpty() ||
            !QFileInfo::exists(u"/usr/libexec/at-spi-bus-launcher"_s)) {
            GTEST_SKIP() << "Xvfb or dbus-daemon did not start, or at-spi-bus-launcher is missing";
        }
        qputenv("DISPLAY", ":" + display.toLocal8Bit());
        qputenv("DBUS_SESSION_BUS_ADDRESS", bus_.toLocal8Bit());
    }

    test::ChildProcesses children;
    QString bus_;
};

// Without a browser window the capture says so and turns the accessibility bus
// on, as for browsers started afterwards; then the stand-in gives its trimmed
// address field.
TEST_F(LiveDesktop, NoBrowserWindowTurnsTheAccessibilityBusOnAndABrowserGivesItsAddress) {
    const QString noBrowser = u"2||Unable to obtain URL from browser - no browser found\n"_s;
    EXPECT_EQ(RunCliUntil(noBrowser), noBrowser);
    QDBusInterface status(u"org.a11y.Bus"_s, u"/org/a11y/bus"_s, u"org.a11y.Status"_s,
                          QDBusConnection::connectToBus(bus_, bus_));
    EXPECT_TRUE(status.property("IsEnabled").toBool());
    children.start(QStringLiteral(PG_BROWSER_STAND_IN),
                   {u"Some page - Mozilla Firefox"_s, u"  HTTP://127.0.0.1/x.html  "_s});
    EXPECT_EQ(RunCliUntil(u"0|HTTP://127.0.0.1/x.html\n|"_s), u"0|HTTP://127.0.0.1/x.html\n|"_s);
}

// The address bar holds "127.0.0.1:PORT/page.html"; the page's own URL is whole.
TEST_F(LiveDesktop, ChromiumGivesTheFullUrlOfItsPage) {
    if (!QFileInfo(u"/usr/bin/chromium"_s).isExecutable()) {
        GTEST_SKIP() << "/usr/bin/chromium is not installed";
    }
    test::ScriptedServer http;
    http.handle("/page.html", test::ScriptedServer::bytes({"<title>T</title>", "text/html"}));
    const QString shown = u"0|"_s + http.url("/page.html") + u"\n|"_s;
    qputenv("ACCESSIBILITY_ENABLED", "1");
    children.start(
        u"/usr/bin/chromium"_s,
        {u"--force-renderer-accessibility"_s, u"--no-sandbox"_s, u"--disable-gpu"_s,
         u"--no-first-run"_s, u"--user-data-dir="_s + test::IsolatedRoot() + u"/chromium"_s,
         http.url("/page.html")});
    EXPECT_EQ(RunCliUntil(shown), shown);
}

}  // namespace
}  // namespace pg
