#include "history/frmURLs.h"
#include "history/url_history.h"
#include "history/url_history_model.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPointer>
#include <QPushButton>
#include <QStyleOptionViewItem>
#include <QTest>

#include <memory>
#include <vector>

using namespace Qt::StringLiterals;

namespace pg {
namespace {

JobSettings Job(const QString& url) {
    JobSettings job;
    job.URL = url;
    job.DDir = u"/d"_s;
    return job;
}

TEST(UrlHistoryModel, HistoryMayOutliveTheModel) {
    UrlHistory history;
    { UrlHistoryModel model(history); }
    history.append(u"http://a/"_s, u"|"_s);  // must not reach the destroyed model
    EXPECT_EQ(history.count(), 1);
}

class UrlWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        mainWindow.resize(200, 100);
        mainWindow.show();
    }

    void fill(int count) {
        for (int i = 0; i < count; ++i) {
            history.append(u"http://www.example.org/pictures/%1/index.html"_s.arg(i + 1),
                           u"|/home/me/Downloads|0|gif,jpg|||"_s);
        }
    }

    frmURLs& window() {
        if (!window_) {
            window_ = std::make_unique<frmURLs>(
                history, [this](int index) { useRecord(index); }, &mainWindow);
        }
        return *window_;
    }

    void open() {
        window().open();
        QApplication::setActiveWindow(&window());
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window()));
    }

    void useRecord(int index) {
        loaded.push_back(index);
        const QCursor* cursor = QApplication::overrideCursor();
        cursorWhileLoading = cursor ? cursor->shape() : Qt::ArrowCursor;
    }

    template <typename T = QWidget>
    T* child(const char* name) {
        T* widget = window().findChild<T*>(QLatin1String(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    QPushButton* button(const char* name) { return child<QPushButton>(name); }
    QListView* list() { return child<QListView>("List1"); }

    QRect itemRect(int row) { return list()->visualRect(window().model().index(row)); }
    void clickEntry(int row) {
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, itemRect(row).center());
    }
    void clickCheckBox(int row) {
        QStyleOptionViewItem option;
        option.initFrom(list());
        option.rect = itemRect(row);
        option.features =
            QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDisplay;
        option.text = history.url(row);
        const QRect box =
            list()->style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, list());
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, box.center());
    }
    int current() { return list()->selectionModel()->selectedRows().value(0, {}).row(); }
    QString status() { return window().statusText(); }

    // The window is gone and the main window is back.
    void expectLeft() {
        EXPECT_FALSE(window().isVisible());
        EXPECT_TRUE(mainWindow.isVisible());
    }

    UrlHistory history;
    QWidget mainWindow;
    std::vector<int> loaded;
    Qt::CursorShape cursorWhileLoading = Qt::ArrowCursor;
    std::unique_ptr<frmURLs> window_;
};

// An empty list leaves only Close and the search box usable; entries arriving
// while the window is shown bring the other commands back.
TEST_F(UrlWindowTest, CommandsFollowWhetherTheListIsEmpty) {
    open();
    EXPECT_EQ(child<QLabel>("Label1")->text(), u"0 URLs"_s);
    EXPECT_TRUE(list()->toolTip().isEmpty());
    for (const char* name : {"Command7", "Command5", "Command2"}) {
        EXPECT_FALSE(button(name)->isEnabled()) << name;
    }
    EXPECT_TRUE(button("Command1")->isEnabled());
    EXPECT_TRUE(child("Text2")->isEnabled());
    for (QWidget* focus : {child("List1"), child("Text2")}) {
        focus->setFocus();
        QTest::keyClick(focus, Qt::Key_Return);  // the default button is off
    }
    EXPECT_TRUE(loaded.empty());
    EXPECT_TRUE(window().isVisible());
    EXPECT_FALSE(mainWindow.isVisible());

    fill(12);
    history.setMarked(2, true);
    history.setMarked(5, true);
    EXPECT_EQ(child<QLabel>("Label1")->text(), u"12 URLs"_s);
    EXPECT_EQ(list()->toolTip(), u" Double-click on URL to use "_s);
    for (const char* name : {"Command7", "Command5", "Command2", "Command1"}) {
        EXPECT_TRUE(button(name)->isEnabled()) << name;
    }
}

TEST_F(UrlWindowTest, UseSelectedLoadsTheHighlightedEntryNotTheMarkedOnes) {
    fill(5);
    open();
    clickCheckBox(0);
    EXPECT_EQ(status(), u"1 URLs selected"_s);
    clickCheckBox(2);
    EXPECT_EQ(status(), u"2 URLs selected"_s);
    clickCheckBox(0);
    EXPECT_EQ(status(), u"1 URLs selected"_s);
    EXPECT_FALSE(history.isMarked(0));
    EXPECT_TRUE(history.isMarked(2));

    clickEntry(3);
    EXPECT_EQ(current(), 3);
    EXPECT_EQ(history.currentIndex(), 3);
    list()->setFocus();
    QTest::keyClick(list(), Qt::Key_Return);  // Enter presses Use Selected URL
    EXPECT_EQ(loaded, std::vector<int>{3});
    EXPECT_EQ(cursorWhileLoading, Qt::WaitCursor);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    expectLeft();
    EXPECT_TRUE(history.isMarked(2));  // loading changes no marks
}

TEST_F(UrlWindowTest, UseSelectedWithoutCurrentEntryLoadsNothingAndLeaves) {
    fill(3);
    open();
    ASSERT_EQ(current(), -1);
    button("Command2")->click();
    EXPECT_EQ(loaded, std::vector<int>{-1});
    expectLeft();
}

TEST_F(UrlWindowTest, SelectAllContainingIgnoresCaseAndCountsMarkedMatches) {
    const QString urls[] = {u"http://h/gifs/a.htm"_s, u"http://h/jpgs/b.htm"_s,
                            u"http://h/Gifs/c.htm"_s, u"http://h/gif/d.htm"_s,
                            u"http://h/x.GIF.htm"_s};
    for (const QString& url : urls) {
        history.append(url, u"|"_s);
    }
    history.setMarked(1, true);  // no match, stays marked
    history.setMarked(2, true);  // a match already marked
    open();
    clickEntry(4);
    auto* text = child<QLineEdit>("Text2");

    const struct {
        QString search;
        QString status;
        std::vector<bool> marks;
    } cases[] = {{u"GIFS"_s, u"2 URLs selected"_s, {true, true, true, false, false}},
                 {u"GIF"_s, u"4 URLs selected"_s, {true, true, true, true, true}},
                 {u"  "_s, u"0 URLs selected"_s, {true, true, true, true, true}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.search.toStdString());
        text->setText(c.search);
        button("Command7")->click();
        EXPECT_EQ(status(), c.status);
        EXPECT_EQ(current(), 0);
        for (int i = 0; i < 5; ++i) {
            EXPECT_EQ(history.isMarked(i), c.marks[i]) << i;
        }
    }
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    button("Command2")->click();
    EXPECT_EQ(loaded, std::vector<int>{0});
}

TEST_F(UrlWindowTest, SelectAllContainingWantsASearchText) {
    fill(2);
    open();
    button("Command1")->setFocus();
    button("Command7")->click();
    EXPECT_EQ(status(), u"Please specify text to search for"_s);
    EXPECT_TRUE(child("Text2")->hasFocus());
    EXPECT_EQ(history.markedCount(), 0);
}

TEST_F(UrlWindowTest, UnselectAllClearsMarksAndCountsAllEntries) {
    fill(5);
    history.setMarked(1, true);
    history.setMarked(4, true);
    open();
    clickEntry(3);
    button("Command5")->click();
    EXPECT_EQ(status(), u"5 URLs unselected"_s);
    EXPECT_EQ(history.markedCount(), 0);
    EXPECT_EQ(current(), 0);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    button("Command2")->click();
    EXPECT_EQ(loaded, std::vector<int>{0});
}

TEST_F(UrlWindowTest, ClosingHidesAndReopeningKeepsEverything) {
    fill(4);
    enum Way { Button, Escape, CloseRequest };
    QPointer<frmURLs> guard(&window());
    for (Way way : {Button, Escape, CloseRequest}) {
        SCOPED_TRACE(way);
        open();
        child<QLineEdit>("Text2")->setText(u"pictures/3"_s);
        clickCheckBox(1);
        clickEntry(2);
        const QString statusBefore = status();
        ASSERT_EQ(statusBefore, u"1 URLs selected"_s);
        switch (way) {
            case Button:
                button("Command1")->click();
                break;
            case Escape:
                QTest::keyClick(child("Text2"), Qt::Key_Escape);
                break;
            case CloseRequest:
                EXPECT_FALSE(window().close());  // refused: the window only hides
                break;
        }
        expectLeft();
        EXPECT_TRUE(loaded.empty());

        open();
        EXPECT_FALSE(mainWindow.isVisible());
        EXPECT_EQ(child<QLineEdit>("Text2")->text(), u"pictures/3"_s);
        EXPECT_EQ(current(), 2);
        EXPECT_EQ(list()->model()->index(1, 0).data(Qt::CheckStateRole).toInt(), Qt::Checked);
        EXPECT_EQ(status(), statusBefore);
        ASSERT_FALSE(guard.isNull());
        window().model().unmarkAll();  // the next round marks entry 1 again
    }
    EXPECT_FALSE(window().testAttribute(Qt::WA_DeleteOnClose));
}

TEST_F(UrlWindowTest, ListFollowsEntriesAddedElsewhere) {
    history.append(u"http://old/a"_s, u"|"_s);
    history.append(u"http://old/b"_s, u"|"_s);
    open();
    clickCheckBox(1);
    button("Command1")->click();

    // The main window adds a job while the list is hidden...
    ASSERT_TRUE(history.AddUrl(u"http://new/1"_s, Job(u"http://new/1"_s)));
    EXPECT_EQ(child<QLabel>("Label1")->text(), u"3 URLs"_s);
    open();
    EXPECT_EQ(list()->model()->rowCount(), 3);
    EXPECT_EQ(list()->model()->index(0, 0).data().toString(), u"http://new/1"_s);
    EXPECT_EQ(list()->model()->index(2, 0).data(Qt::CheckStateRole).toInt(), Qt::Checked);
    EXPECT_EQ(list()->model()->index(1, 0).data(Qt::CheckStateRole).toInt(), Qt::Unchecked);

    // ...and while it is shown.
    ASSERT_TRUE(history.AddUrl(u"http://new/2"_s, Job(u"http://new/2"_s)));
    EXPECT_EQ(child<QLabel>("Label1")->text(), u"4 URLs"_s);
    EXPECT_TRUE(history.isMarked(3));
    EXPECT_EQ(list()->model()->index(3, 0).data(Qt::CheckStateRole).toInt(), Qt::Checked);
    EXPECT_EQ(history.url(3), u"http://old/b"_s);

    // Entries added at the end keep the current entry where it was.
    clickEntry(1);
    history.append(u"http://old/c"_s, u"|"_s);
    EXPECT_EQ(current(), 1);
    EXPECT_EQ(history.currentIndex(), 1);

    // A job run again moves the history's current entry to it; the list shows that.
    clickEntry(0);
    button("Command1")->click();
    EXPECT_FALSE(history.AddUrl(u"http://old/a"_s, Job(u"http://old/a"_s)));
    open();
    EXPECT_EQ(current(), 2);
}

}  // namespace
}  // namespace pg
