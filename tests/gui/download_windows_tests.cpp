#include "download/engine.h"
#include "gui/progress_window.h"
#include "gui_harness.h"

#include <QAccessible>
#include <QDir>
#include <QMainWindow>
#include <QMessageBox>
#include <QProgressBar>

namespace pg::test {
namespace {

TEST(DownloadCommandTest, A404AmongSuccessesIsLoggedAndTheLogOffered) {
    MainWindowHarness h;
    h.settings.values[u"DDir"_s] = h.path(u"files"_s);
    h.transport.bodies = {{kFileBase + u"f1.gif"_s, MakeTestBytes(3000, 1)},
                          {kFileBase + u"f3.gif"_s, MakeTestBytes(500, 3)}};
    h.start();
    h.extract({u"f1.gif"_s, u"f2.gif"_s, u"f3.gif"_s});
    h.child<QPushButton>("Command4")->click();
    QStringList seen;  // main window shown, and the progress bar, as each request starts
    h.transport.onStart = [&] {
        seen.append(u"%1 %2"_s.arg(h.window->isVisible())
                        .arg(Control<QProgressBar>(u"frmDownload"_s, "ProgressBar")->value()));
    };
    QString asked;
    OnNextModal(h.window.get(), [&asked](QWidget* modal) {
        asked = modal->objectName();
        qobject_cast<QMessageBox*>(modal)->button(QMessageBox::Yes)->click();
    });
    h.child<QPushButton>("Command1")->click();
    EXPECT_EQ(seen, QStringList(3, u"0 0"_s));
    EXPECT_TRUE(h.window->isVisible());
    EXPECT_EQ(h.status(), u"Errors occurred while downloading - please view error log file"_s);
    EXPECT_EQ(asked, u"ViewLogQuestion"_s);
    EXPECT_EQ(h.opener.opened, QStringList{h.path(u"error.log"_s)});
    EXPECT_EQ(ReadFileBytes(h.path(u"files/f3.gif"_s)), MakeTestBytes(500, 3));
    EXPECT_EQ(QDir(h.path(u"files"_s)).entryList(QDir::Files | QDir::Hidden).size(), 2);
}

TEST(DownloadCommandTest, AnEmptyFolderFieldAsksForAFolder) {
    MainWindowHarness h;
    h.start();
    h.extract({u"f1.gif"_s});
    h.child<QPushButton>("Command4")->click();
    h.transport.onStart = [] { ADD_FAILURE() << "a file was requested"; };
    h.child<QPushButton>("Command1")->click();
    EXPECT_EQ(h.status(),
              u"Please specify a directory where the downloaded files will be stored"_s);
    EXPECT_EQ(QApplication::focusWidget(), h.child("Command3"));
    EXPECT_FALSE(QFile::exists(h.path(u"error.log"_s)));
}

// The user cannot close the window; the buttons and Escape only ask to stop.
TEST(ProgressWindowTest, CancelControlsRaiseTheirRequest) {
    for (const auto& [button, cancelAll] :
         {std::pair{"", false}, std::pair{"CancelButton", false}, std::pair{"Command1", true}}) {
        ProgressWindow window;
        window.transferStarted({});
        EXPECT_FALSE(window.close());
        EXPECT_TRUE(window.isVisible());
        if (*button) {
            window.findChild<QPushButton*>(QString::fromLatin1(button))->click();
        } else {
            QTest::keyClick(&window, Qt::Key_Escape);
        }
        EXPECT_TRUE(window.cancelRequest().CancelThis) << button;
        EXPECT_EQ(window.cancelRequest().CancelAll, cancelAll) << button;
        EXPECT_EQ(window.findChild<QLabel*>(u"StatusLabel"_s)->text(), u"Cancelling..."_s);
    }
}

TEST(ProgressWindowTest, EachFileStartsWithAnEmptyBar) {
    ProgressWindow window;
    auto* bar = window.findChild<QProgressBar*>(u"ProgressBar"_s);
    window.transferStarted({});
    window.progressReset(1000);
    window.progressUpdated({1000, 1000, 2.0, u"a.gif"_s, 1, 2});
    ASSERT_EQ(bar->value(), bar->maximum());
    window.transferFinished({});
    window.transferStarted({});
    EXPECT_EQ(bar->value(), 0);
    EXPECT_GT(bar->maximum(), 0);  // 0 would show a busy bar
}

TEST(ProgressWindowTest, SecondaryWindowsAreAnnouncedAsWindows) {
    MainWindowHarness h;
    h.start();
    ProgressWindow progress;
    for (QWidget* window : {Control(u"frmURLs"_s, nullptr), static_cast<QWidget*>(&progress)}) {
        ASSERT_NE(window, nullptr);
        EXPECT_TRUE(window->isWindow());
        EXPECT_TRUE(qobject_cast<QDialog*>(window) || qobject_cast<QMainWindow*>(window));
        const QAccessible::Role role = QAccessible::queryAccessibleInterface(window)->role();
        EXPECT_TRUE(role == QAccessible::Dialog || role == QAccessible::Window) << role;
    }
}

}  // namespace
}  // namespace pg::test
