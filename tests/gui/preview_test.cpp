#include "desktop/fake_window_tree.h"
#include "gui_harness.h"

#include <QSignalSpy>
#include <QWebEngineView>

namespace pg::test {
namespace {

const QStringList kFiles{u"photo.JPG"_s, u"setup.exe"_s, u"b.gif"_s};

bool Hourglass() {
    return QApplication::overrideCursor() &&
           QApplication::overrideCursor()->shape() == Qt::WaitCursor;
}

TEST(PreviewTest, PaneFollowsTheCurrentPreviewableEntryUntilTheNextRetrieval) {
    while (QApplication::overrideCursor()) {  // an earlier test's shut-down keeps one
        QApplication::restoreOverrideCursor();
    }
    MainWindowHarness h;
    h.start();
    auto* pane = h.child<QWebEngineView>("WebBrowser1");
    ASSERT_NE(pane, nullptr);
    auto* list = h.child<QListView>("lstImages");
    h.extract(kFiles);
    EXPECT_FALSE(pane->isVisible());  // filling the list previews nothing

    list->setCurrentIndex(list->model()->index(1, 0));  // setup.exe
    EXPECT_FALSE(pane->isVisible());
    EXPECT_FALSE(Hourglass());

    QSignalSpy loaded(pane, &QWebEngineView::loadFinished);
    list->setCurrentIndex(list->model()->index(0, 0));
    EXPECT_TRUE(pane->isVisible());
    EXPECT_TRUE(Hourglass());
    EXPECT_TRUE(loaded.wait(60000));  // the host does not exist: an error page
    EXPECT_FALSE(Hourglass());

    h.extract(kFiles);
    EXPECT_FALSE(pane->isVisible());
    // Select All makes the first entry current once the list is its own again.
    h.child<QPushButton>("Command4")->click();
    EXPECT_TRUE(pane->isVisible());
}

TEST(PreviewTest, ViewFullScreen) {
    MainWindowHarness h;
    h.start();
    auto* view = h.child<QPushButton>("cmdViewImage");
    view->click();
    EXPECT_EQ(h.status(), u"No files to view"_s);
    h.extract(kFiles);
    view->click();
    EXPECT_EQ(h.status(), u"Please select a file"_s);

    auto* list = h.child<QListView>("lstImages");
    list->setCurrentIndex(list->model()->index(1, 0));  // setup.exe: nothing at all
    const QString before = h.status();
    view->click();
    EXPECT_EQ(h.status(), before);

    list->setCurrentIndex(list->model()->index(0, 0));
    QString seen;
    OnNextModal(h.window.get(), [&](QWidget* modal) {
        seen = modal->objectName() + u'|' + modal->windowTitle() + u'|' +
               (h.window->isVisible() ? u"main shown"_s : u"main hidden"_s);
        EXPECT_NE(modal->findChild<QWebEngineView*>(u"WebBrowser1"_s), nullptr);
        EXPECT_EQ(modal->findChild<QPushButton*>(u"Command1"_s)->text(), u"Command1"_s);
        QTest::keyClick(modal, Qt::Key_Escape);
    });
    view->click();  // returns when the window has closed
    EXPECT_EQ(seen, u"frmImage|http://h.example/d/photo.JPG|main hidden"_s);
    EXPECT_TRUE(h.window->isVisible());
}

TEST(PreviewTest, GetUrlFromBrowserFillsTheUrlFieldOnlyOnSuccess) {
    FakeDesktop desktop;
    MainWindowServices services;
    services.windowTree = &desktop;
    MainWindow window(services);
    auto* url = window.findChild<QLineEdit*>(u"Text1"_s);
    auto* status = window.findChild<QLabel*>(u"StatusText"_s);
    for (const auto& [title, field, text, message] :
         {std::tuple{u"Page - Chromium"_s, u" http://a/b "_s, u"http://a/b"_s,
                     u"URL obtained from browser"_s},
          std::tuple{u"Page - Chromium"_s, u"a/c"_s, u"http://a/b"_s,
                     u"Unable to obtain URL from browser"_s},
          std::tuple{u"Terminal"_s, u"http://x/"_s, u"http://a/b"_s,
                     u"Unable to obtain URL from browser - no browser found"_s}}) {
        desktop.windows = {{title, Box({Field(field)})}};
        window.findChild<QPushButton*>(u"cmdGetURL"_s)->click();
        EXPECT_EQ(url->text(), text);
        EXPECT_EQ(status->text(), message);
    }
}

}  // namespace
}  // namespace pg::test
