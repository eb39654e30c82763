#include "download/engine.h"
#include "gui/progress_window.h"
#include "gui_harness.h"
#include "support/event_loop.h"

#include <QMessageBox>
#include <QProgressBar>

namespace pg::test {
namespace {

// The files are missing on the server.
TEST(DownloadCommandTest, AsksForAFolderThenRunsHiddenAndOffersTheErrorLog) {
    MainWindowHarness h;
    h.extract({u"f1.gif"_s, u"f2.gif"_s});
    h.child<QPushButton>("Command4")->click();
    FocusByTab(h.child("Command1"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);  // presses the focused button
    EXPECT_EQ(h.status(),
              u"Please specify a directory where the downloaded files will be stored"_s);
    EXPECT_EQ(QApplication::focusWidget(), h.child("Command3"));

    h.child<QLineEdit>("Text4")->setText(h.path(u"files"_s));
    QString asked;
    OnNextModal(h.window.get(), [&asked](QWidget* modal) {
        asked = modal->objectName();
        qobject_cast<QMessageBox*>(modal)->button(QMessageBox::Yes)->click();
    });
    h.child<QPushButton>("Command1")->click();
    EXPECT_FALSE(h.window->isVisible());  // while the batch runs
    EXPECT_TRUE(RunEventLoopUntil([&] { return h.window->isVisible(); }));
    EXPECT_EQ(h.status(), u"Errors occurred while downloading - please view error log file"_s);
    EXPECT_EQ(asked, u"ViewLogQuestion"_s);
    EXPECT_EQ(h.fakes.opened, QStringList{h.path(u"error.log"_s)});
}

// A dialog for assistive technology, which the user cannot close; the buttons
// and Escape only ask to stop.
// Each file starts with an empty bar and a spent cancel request.
TEST(ProgressWindowTest, CancelControlsAndTheNextFile) {
    for (const auto& [button, cancelAll] :
         {std::pair{"", false}, std::pair{"CancelButton", false}, std::pair{"Command1", true}}) {
        ProgressWindow window;
        auto* bar = window.findChild<QProgressBar*>(u"ProgressBar"_s);
        window.transferStarted({});
        window.progressUpdated({1000, 1000, 2.0, u"a.gif"_s, 1, 2});
        ASSERT_EQ(bar->value(), bar->maximum());
        EXPECT_FALSE(window.close());
        if (*button) {
            window.findChild<QPushButton*>(QString::fromLatin1(button))->click();
        } else {
            QTest::keyClick(&window, Qt::Key_Escape);
        }
        EXPECT_TRUE(window.cancelRequest().CancelThis) << button;
        EXPECT_EQ(window.cancelRequest().CancelAll, cancelAll) << button;
        EXPECT_EQ(window.findChild<QLabel*>(u"StatusLabel"_s)->text(), u"Cancelling..."_s);
        window.transferFinished({}, {});
        window.transferStarted({});
        EXPECT_FALSE(window.cancelRequest().CancelThis);
        EXPECT_EQ(bar->value(), 0);
        EXPECT_GT(bar->maximum(), 0);  // 0 would show a busy bar
    }
}

}  // namespace
}  // namespace pg::test
