// The main window on an X server of its own (Xvfb), where Qt can draw
// through OpenGL as on a desktop; the offscreen platform of the other window
// tests has no OpenGL.
#include "gui_harness.h"

#include <QFile>

#include <QPointer>
#include <QSignalSpy>
#include <QWebEngineView>
#include <QWindow>

#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace pg::test {
namespace {

// Xvfb on a display it picks itself; ends with the test.
class PrivateXServer {
public:
    PrivateXServer() {
        int pipe[2];
        if (::pipe(pipe) != 0) {
            return;
        }
        pid_ = ::fork();
        if (pid_ == 0) {
            ::prctl(PR_SET_PDEATHSIG, SIGTERM);
            ::close(pipe[0]);
            const std::string fd = std::to_string(pipe[1]);
            ::execl("/usr/bin/Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-noreset", "-nolisten",
                    "tcp", "-screen", "0", "1280x1024x24", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(pipe[1]);
        char number[16] = {};
        const ssize_t got = pid_ > 0 ? ::read(pipe[0], number, sizeof number - 1) : -1;
        ::close(pipe[0]);
        if (got > 0) {
            display_ = ":" + QByteArray(number, got).trimmed();
        }
    }
    ~PrivateXServer() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    const QByteArray& display() const { return display_; }

private:
    pid_t pid_ = -1;
    QByteArray display_;
};

// The preview's page view is drawn through OpenGL. A main window made for
// plain painting is made anew when the first preview opens, in the middle of
// Select All: gone for a moment, black on a bare X server.
TEST(MainWindowOnX11Test, SelectAllKeepsTheWindowWhenThePreviewFirstOpens) {
    const PrivateXServer server;
    if (server.display().isEmpty()) {
        GTEST_SKIP() << "Xvfb did not start";
    }
    qputenv("DISPLAY", server.display());
    qputenv("QT_QPA_PLATFORM", "xcb");
    int argc = 1;
    char name[] = "gui_x11_tests";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    MainWindowHarness h;
    h.extract({u"a.gif"_s, u"b.gif"_s});
    const QPointer<QWindow> shown = h.window->windowHandle();
    auto* pane = h.child<QWebEngineView>("WebBrowser1");
    QSignalSpy loaded(pane, &QWebEngineView::loadFinished);
    h.child<QPushButton>("Command4")->click();
    ASSERT_TRUE(pane->isVisible());
    EXPECT_TRUE(loaded.wait(60000));
    EXPECT_TRUE(shown && h.window->windowHandle() == shown);
}

}  // namespace
}  // namespace pg::test

// Qt starts in the test, once its X server runs; no test touches the user's
// own settings, history or files.
int main(int argc, char** argv) {
    for (const char* name :
         {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR"}) {
        const QString path = pg::test::IsolatedRoot() + u'/' + QLatin1String(name);
        QDir().mkpath(path);
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv(name, QFile::encodeName(path));
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
