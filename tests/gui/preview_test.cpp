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
