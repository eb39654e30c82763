#include "gui_harness.h"

#include <QCheckBox>

namespace pg::test {
namespace {

const QString kList = u"frmURLs"_s;

TEST(RecentUrlsWindowTest, EmptyListOffersOnlyCloseAndEscapeReturns) {
    MainWindowHarness h;
    h.child<QPushButton>("Command10")->click();
    EXPECT_TRUE(Control(kList, nullptr)->isVisible());
    EXPECT_FALSE(h.window->isVisible());
    QString enabled;
    for (const char* name : {"Command7", "Command5", "Command2", "Command1", "Text2"}) {
        enabled += Control(kList, name)->isEnabled() ? u'1' : u'0';
    }
    EXPECT_EQ(enabled, u"00011"_s);
    FocusByTab(Control(kList, "Text2"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_FALSE(Control(kList, nullptr)->isVisible());
    EXPECT_TRUE(h.window->isVisible());
}

// Use Selected URL loads the highlighted entry, not the marked ones, and the
// load rewrites no record.
TEST(RecentUrlsWindowTest, MarkingCommandsAndUseSelectedUrl) {
    const QString records =
        u"http://a/gifs/|/a|0|gif|ua|pa|\r\nhttp://b/|/b|1|jpg|ub|pb|\r\nhttp://d/Gifs/|/d|0|||\r\n"
        u"http://e/|/e|0|||\r\n"_s;
    MainWindowHarness h({{u"URL"_s, u"http://a/gifs/"_s}}, records);
    h.child<QPushButton>("Command10")->click();
    auto* list = Control<QListView>(kList, "List1");
    const auto status = [] { return Control<QLabel>(kList, "StatusText")->text(); };
    SetChecked(list, 1, true);
    SetChecked(list, 2, true);
    EXPECT_EQ(status(), u"2 URLs selected"_s);
    Control<QPushButton>(kList, "Command5")->click();
    EXPECT_EQ(status(), u"4 URLs unselected"_s);
    EXPECT_EQ(Marks(list), u"----"_s);
    SetChecked(list, 3, true);
    list->setCurrentIndex(list->model()->index(2, 0));
    Control<QLineEdit>(kList, "Text2")->setText(u"GIF"_s);
    Control<QPushButton>(kList, "Command7")->click();
    EXPECT_EQ(status(), u"2 URLs selected"_s);
    EXPECT_EQ(Marks(list), u"x-xx"_s);
    EXPECT_EQ(list->currentIndex().row(), 0);

    list->setCurrentIndex(list->model()->index(1, 0));
    Control<QPushButton>(kList, "Command2")->click();
    EXPECT_FALSE(Control(kList, nullptr)->isVisible());
    EXPECT_TRUE(h.window->isVisible());
    QStringList texts;
    for (const char* name : {"Text1", "Text4", "Text3", "Text5", "Text6"}) {
        texts.append(h.child<QLineEdit>(name)->text());
    }
    EXPECT_EQ(texts.join(u'|'), u"http://b/|/b|jpg|ub|pb"_s);
    EXPECT_TRUE(h.child<QCheckBox>("ckAll")->isChecked());
    h.window->close();
    EXPECT_EQ(h.historyFile(), records);
}

}  // namespace
}  // namespace pg::test
