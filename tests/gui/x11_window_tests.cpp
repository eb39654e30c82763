// The main window on an X server of its own (Xvfb), where Qt can draw
// through OpenGL as on a desktop; the offscreen platform of the other window
// tests has no OpenGL.
#include "gui_harness.h"
#include "support/child_processes.h"

#include <QPointer>
#include <QSignalSpy>
#include <QWebEngineView>
#include <QWindow>

namespace pg::test {
namespace {

// The preview's page view is drawn through OpenGL. A main window made for
// plain painting is made anew when the first preview opens, in the middle of
// Select All: gone for a moment, black on a bare X server.
TEST(MainWindowOnX11Test, SelectAllKeepsTheWindowWhenThePreviewFirstOpens) {
    ChildProcesses children;
    const QString display = children.startXvfb();
    if (display.isEmpty()) {
        GTEST_SKIP() << "Xvfb did not start";
    }
    qputenv("DISPLAY", ":" + display.toLocal8Bit());
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

// Qt starts in the test, once its X server runs.
int main(int argc, char** argv) {
    pg::test::IsolateHomeFolders();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
