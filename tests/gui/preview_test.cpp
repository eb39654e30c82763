#include "gui_harness.h"

#include "support/event_loop.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QWebEngineView>

namespace pg::test {
namespace {

const QStringList kFiles{u"photo.JPG"_s, u"setup.exe"_s, u"b.gif"_s};

bool Hourglass() {
    return QApplication::overrideCursor() &&
           QApplication::overrideCursor()->shape() == Qt::WaitCursor;
}

// The pane previews the current entry unless it is not previewable or the list
// is being filled; a new retrieval hides it. View Full Screen shows the
// current previewable entry in frmImage, the main window hidden meanwhile.
TEST(PreviewTest, PaneAndFullScreenFollowTheCurrentPreviewableEntry) {
    while (QApplication::overrideCursor()) {  // an earlier test's shut-down keeps one
        QApplication::restoreOverrideCursor();
    }
    MainWindowHarness h;
    auto* pane = h.child<QWebEngineView>("WebBrowser1");
    auto* list = h.child<QListView>("lstImages");
    auto* view = h.child<QPushButton>("cmdViewImage");
    view->click();
    EXPECT_EQ(h.status(), u"No files to view"_s);
    h.extract(kFiles);
    EXPECT_FALSE(pane->isVisible());
    view->click();
    EXPECT_EQ(h.status(), u"Please select a file"_s);
    list->setCurrentIndex(list->model()->index(1, 0));  // setup.exe: nothing at all
    view->click();
    EXPECT_FALSE(pane->isVisible());
    EXPECT_EQ(h.status(), u"Please select a file"_s);

    QSignalSpy loaded(pane, &QWebEngineView::loadFinished);
    list->setCurrentIndex(list->model()->index(0, 0));
    EXPECT_TRUE(pane->isVisible());
    EXPECT_TRUE(Hourglass());
    EXPECT_TRUE(loaded.wait(60000));  // the server has no such file: an error page
    EXPECT_FALSE(Hourglass());
    QString seen;
    OnNextModal(h.window.get(), [&](QWidget* modal) {
        seen = modal->objectName() + u'|' + modal->windowTitle() + u'|' +
               (h.window->isVisible() ? u"main shown"_s : u"main hidden"_s);
        QTest::keyClick(modal, Qt::Key_Escape);
    });
    view->click();  // returns when the window has closed
    EXPECT_EQ(seen, u"frmImage|"_s + h.http.url("/d/photo.JPG") + u"|main hidden"_s);
    EXPECT_TRUE(h.window->isVisible());

    h.extract(kFiles);
    EXPECT_FALSE(pane->isVisible());
    // Select All makes the first entry current once the list is its own again.
    h.child<QPushButton>("Command4")->click();
    EXPECT_TRUE(pane->isVisible());
}

// A page that tries to run script, reach another server (image, fetch,
// WebSocket), refresh itself away and offer a link; an entry that the server
// moves; one with credentials in it while the job has some. The preview shows
// them inert, follows the server's move, sends no credentials, and nothing
// reaches the listener. (Which entries may be shown at all: the preview rules'
// test and the test above.)
TEST(PreviewTest, ShowsOnlyWebEntriesInertWithoutCredentialsOrNavigationAway) {
    QTcpServer listener;  // any connection to it is a leak
    ASSERT_TRUE(listener.listen(QHostAddress::LocalHost));
    int reached = 0;
    QObject::connect(&listener, &QTcpServer::newConnection, [&] { ++reached; });
    const QString sink = u"127.0.0.1:%1"_s.arg(listener.serverPort());
    const QString script =
        uR"(<script>document.title='ran';new WebSocket('ws://%1/');
        fetch('http://%1/fetch');location='/d/away.html'</script><img src=http://%1/img>)"_s.arg(
            sink);
    const QString hostile =
        uR"(<title>inert</title><meta http-equiv=refresh
        content='0;url=/d/away.html'><a href=/d/away.html style='display:block;height:99em'>)"_s;

    MainWindowHarness h({{u"All"_s, u"1"_s}, {u"User"_s, u"alice"_s}, {u"Pwd"_s, u"secret"_s}});
    h.http.handle("/d/hostile.html",
                  h.http.bytes({.body = (hostile + script).toUtf8(), .contentType = "text/html"}));
    h.http.handle("/d/moved.html", [](const httplib::Request&, httplib::Response& res) {
        res.status = 301;
        res.set_header("Location", "/d/landing.html");
    });
    h.http.handle("/d/landing.html", h.http.bytes({.body = "-", .contentType = "text/html"}));
    h.http.handle("/d/secret.gif",
                  ScriptedServer::basicAuth("alice", "secret", h.http.bytes({.body = "GIF89a"})));
    const QString server = h.http.url("");
    h.extract({u"hostile.html"_s, u"moved.html"_s,
               u"http://alice:secret@"_s + server.sliced(7) + u"/d/secret.gif"_s});
    auto* list = h.child<QListView>("lstImages");
    ASSERT_EQ(list->model()->rowCount(), 3);
    auto* pane = h.child<QWebEngineView>("WebBrowser1");
    const auto show = [&](int row) {
        QSignalSpy loaded(pane, &QWebEngineView::loadFinished);
        list->setCurrentIndex(list->model()->index(row, 0));
        EXPECT_TRUE(loaded.wait(60000)) << row;
    };
    const auto leaked = [&] { return reached > 0 || !h.http.requests("/d/away.html").empty(); };
    QString fullScreen;
    OnNextModal(h.window.get(), [&](QWidget* modal) {
        auto* browser = modal->findChild<QWebEngineView*>(u"WebBrowser1"_s);
        EXPECT_TRUE(RunEventLoopUntil(
            [&] { return !browser->url().isEmpty() && !browser->page()->isLoading(); }));
        // Script, refresh and click would act within moments; give them time.
        EXPECT_FALSE(RunEventLoopUntil(leaked, 1500));
        fullScreen = browser->title();
        QTest::keyClick(modal, Qt::Key_Escape);
    });

    show(0);
    QTest::mouseClick(pane->focusProxy(), Qt::LeftButton, {}, QPoint(20, 20));
    h.child<QPushButton>("cmdViewImage")->click();
    EXPECT_EQ(pane->title() + u'|' + fullScreen, u"inert|inert"_s);
    EXPECT_EQ(pane->url().toString(), server + u"/d/hostile.html"_s);
    show(1);
    EXPECT_EQ(pane->url().toString(), server + u"/d/landing.html"_s);
    show(2);
    ASSERT_FALSE(h.http.requests("/d/secret.gif").empty());
    for (const ReceivedRequest& request : h.http.requests("/d/secret.gif")) {
        EXPECT_EQ(request.header("Authorization"), "");
    }
    EXPECT_FALSE(leaked());
}

// The field takes only a URL that was obtained; the status tells why not.
TEST(PreviewTest, GetUrlFromBrowserFillsTheUrlFieldOnlyOnSuccess) {
    MainWindowHarness h;
    for (const auto& [field, message] :
         {std::pair{u" http://a/b "_s, u"URL obtained from browser"_s},
          std::pair{u"a/c"_s, u"Unable to obtain URL from browser"_s}}) {
        h.desktop.windows = {{u"Page - Chromium"_s, Box({Field(field)})}};
        h.child<QPushButton>("cmdGetURL")->click();
        EXPECT_EQ(h.child<QLineEdit>("Text1")->text(), u"http://a/b"_s);
        EXPECT_EQ(h.status(), message);
    }
}

}  // namespace
}  // namespace pg::test
