// File list selection and the folder picker in the main window.
#include "window_fixture.h"

#include "history/url_history.h"
#include "scan/file_list_model.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QListView>
#include <QScrollBar>

using namespace Qt::StringLiterals;

namespace pg {
namespace {

class SelectionTest : public test::WindowFixture {
protected:
    // Fills the list through the extract command with n entries; entry i ends
    // in ".gif" when i is even and in ".jpg" otherwise.
    void fill(frmMain* w, int n) {
        QString page;
        for (int i = 0; i < n; ++i) {
            page += u" src=file%1.%2>"_s.arg(i).arg(i % 2 == 0 ? u"gif"_s : u"jpg"_s);
        }
        fetcher.result = {true, 200, page, {}, {}};
        child<QLineEdit>(w, "Text1")->setText(u"http://h/"_s);
        QTest::mouseClick(child<QPushButton>(w, "Command2"), Qt::LeftButton);
        ASSERT_EQ(w->fileList().list().count(), n);
    }
    void check(frmMain* w, int row, bool on) {
        w->fileList().setData(w->fileList().index(row), on ? Qt::Checked : Qt::Unchecked,
                              Qt::CheckStateRole);
    }
    int current(frmMain* w) { return child<QListView>(w, "lstImages")->currentIndex().row(); }
    bool downloadEnabled(frmMain* w) { return child<QPushButton>(w, "Command1")->isEnabled(); }
};

TEST_F(SelectionTest, EmptyListCommandsOnlyReport) {
    auto w = makeWindow();
    QTest::mouseClick(child<QPushButton>(w.get(), "Command4"), Qt::LeftButton);
    EXPECT_EQ(w->statusText(), u"No files to select"_s);
    QTest::mouseClick(child<QPushButton>(w.get(), "Command5"), Qt::LeftButton);
    EXPECT_EQ(w->statusText(), u"No files to unselect"_s);
    child<QLineEdit>(w.get(), "Text2")->setText(u"x"_s);
    QTest::mouseClick(child<QPushButton>(w.get(), "Command7"), Qt::LeftButton);
    EXPECT_EQ(w->statusText(), u"No files to select"_s);
    EXPECT_FALSE(downloadEnabled(w.get()));
}

TEST_F(SelectionTest, SelectAndUnselectAllCountEveryEntry) {
    auto w = makeWindow();
    fill(w.get(), 12);
    for (int row : {3, 5, 7}) {
        check(w.get(), row, true);
    }
    EXPECT_EQ(w->statusText(), u"3 files selected"_s);
    child<QListView>(w.get(), "lstImages")->setCurrentIndex(w->fileList().index(6));

    QTest::mouseClick(child<QPushButton>(w.get(), "Command4"), Qt::LeftButton);
    EXPECT_EQ(w->statusText(), u"12 files selected"_s);
    EXPECT_EQ(w->fileList().list().checkedCount(), 12);
    EXPECT_TRUE(downloadEnabled(w.get()));
    EXPECT_EQ(current(w.get()), 0);

    for (int row : {3, 5, 7}) {
        check(w.get(), row, false);
    }
    child<QListView>(w.get(), "lstImages")->setCurrentIndex(w->fileList().index(4));
    QTest::mouseClick(child<QPushButton>(w.get(), "Command5"), Qt::LeftButton);
    EXPECT_EQ(w->statusText(), u"12 files unselected"_s);
    EXPECT_EQ(w->fileList().list().checkedCount(), 0);
    EXPECT_FALSE(downloadEnabled(w.get()));
    EXPECT_EQ(current(w.get()), 0);
}

TEST_F(SelectionTest, SelectAllContainingIgnoresCaseAndCountsEveryMatch) {
    auto w = makeWindow();
    fill(w.get(), 10);        // five .gif, five .jpg
    check(w.get(), 0, true);  // a match already checked
    check(w.get(), 1, true);  // a non-match stays checked
    auto* search = child<QLineEdit>(w.get(), "Text2");
    search->setText(u"GIF"_s);
    QTest::mouseClick(child<QPushButton>(w.get(), "Command7"), Qt::LeftButton);
    EXPECT_EQ(w->statusText(), u"5 files selected"_s);
    EXPECT_EQ(w->fileList().list().checkedCount(), 6);
    EXPECT_TRUE(w->fileList().list().isChecked(1));
    EXPECT_EQ(current(w.get()), 0);

    QTest::mouseClick(child<QPushButton>(w.get(), "Command5"), Qt::LeftButton);
    search->setText(u"nothing-like-this"_s);
    QTest::mouseClick(child<QPushButton>(w.get(), "Command7"), Qt::LeftButton);
    EXPECT_EQ(w->statusText(), u"0 files selected"_s);
    EXPECT_TRUE(downloadEnabled(w.get()));  // enabled even when nothing matched
}

TEST_F(SelectionTest, EmptySearchTextMovesTheFocusToTheSearchField) {
    auto w = makeWindow();
    fill(w.get(), 2);
    auto* button = child<QPushButton>(w.get(), "Command7");
    button->setFocus();
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(w->statusText(), u"Please specify text to search for"_s);
    EXPECT_EQ(QApplication::focusWidget(), child<QLineEdit>(w.get(), "Text2"));
    EXPECT_EQ(w->fileList().list().checkedCount(), 0);
}

TEST_F(SelectionTest, CheckingByHandFollowsTheCount) {
    auto w = makeWindow();
    fill(w.get(), 4);
    // A click on the check box of the second row.
    auto* view = child<QListView>(w.get(), "lstImages");
    const QRect row = view->visualRect(w->fileList().index(1));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                      QPoint(row.left() + 10, row.center().y()));
    EXPECT_EQ(w->statusText(), u"1 files selected"_s);
    EXPECT_TRUE(downloadEnabled(w.get()));
    EXPECT_TRUE(w->fileList().list().isChecked(1));
    // The space key on the current entry unchecks it again.
    view->setFocus();
    view->setCurrentIndex(w->fileList().index(1));
    QTest::keyClick(view, Qt::Key_Space);
    EXPECT_EQ(w->statusText(), u"0 files selected"_s);
    EXPECT_FALSE(downloadEnabled(w.get()));
}

TEST_F(SelectionTest, ManyEntriesSelectAndScroll) {
    auto w = makeWindow();
    fill(w.get(), 100000);
    QTest::mouseClick(child<QPushButton>(w.get(), "Command4"), Qt::LeftButton);
    EXPECT_EQ(w->statusText(), u"100000 files selected"_s);
    auto* view = child<QListView>(w.get(), "lstImages");
    EXPECT_GT(view->horizontalScrollBar()->maximum() + view->viewport()->width(),
              view->fontMetrics().horizontalAdvance(u"http://h/file99999.jpg"_s));
}

TEST_F(SelectionTest, FolderPickerSetsTheFolderAndRewritesTheRecord) {
    auto w = makeWindow();
    const QString dir = folder + u"/downloads"_s;
    QDir().mkpath(dir);
    auto* url = child<QLineEdit>(w.get(), "Text1");
    auto* ddir = child<QLineEdit>(w.get(), "Text4");
    url->setText(u"http://stored/page.htm"_s);
    w->history().append(u"http://stored/page.htm"_s, u"|/old|0|gif|||"_s);

    // Empty field: the picker opens on the home folder.
    picker.answer = dir;
    QTest::mouseClick(child<QPushButton>(w.get(), "Command3"), Qt::LeftButton);
    EXPECT_EQ(picker.lastTitle, u"Select the directory to store the downloaded files"_s);
    EXPECT_EQ(picker.lastStart, QDir::homePath());
    EXPECT_EQ(ddir->text(), dir);
    EXPECT_EQ(w->history().rest(0), u"|"_s + dir + u"|0|gif,jpg,exe,htm,html|||"_s);

    // Cancel keeps the field; the picker opened on the field's folder.
    picker.answer.clear();
    QTest::mouseClick(child<QPushButton>(w.get(), "Command3"), Qt::LeftButton);
    EXPECT_EQ(picker.lastStart, dir);
    EXPECT_EQ(ddir->text(), dir);

    // The same folder in other letter case changes the field but not the record.
    w->history().append(u"ignored"_s, u"|x|0||||"_s);
    const QString before = w->history().rest(0);
    child<QLineEdit>(w.get(), "Text3")->setText(u"png"_s);  // would show in a rewrite
    w->editing().FieldChanged = false;
    picker.answer = dir.toUpper();
    QTest::mouseClick(child<QPushButton>(w.get(), "Command3"), Qt::LeftButton);
    EXPECT_EQ(ddir->text(), dir.toUpper());
    EXPECT_EQ(w->history().rest(0), before);

    // A deleted folder: the picker opens on its nearest existing parent.
    ddir->setText(dir + u"/gone/deeper"_s);
    picker.answer.clear();
    QTest::mouseClick(child<QPushButton>(w.get(), "Command3"), Qt::LeftButton);
    EXPECT_EQ(picker.lastStart, dir);
}

}  // namespace
}  // namespace pg
