// Job field editing and the Recent URL List window, seen from the main window.
#include "window_fixture.h"

#include "history/frmURLs.h"
#include "history/url_history.h"

#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QListView>

using namespace Qt::StringLiterals;

namespace pg {
namespace {

class JobEditingTest : public test::WindowFixture {
protected:
    std::unique_ptr<frmMain> makeWindowWithHistory() {
        auto w = makeWindow();
        w->history().append(u"http://one/page.htm"_s, u"|/d1|0|gif|u1|p1|"_s);
        w->history().append(u"http://two/index.html"_s, u"|/d2|1|jpg|u2|p2|"_s);
        return w;
    }
    QLineEdit* field(frmMain* w, const char* name) { return child<QLineEdit>(w, name); }
    // Gives the field the focus, types, and leaves with Tab.
    void typeInto(frmMain* w, const char* name, const QString& text) {
        QLineEdit* f = field(w, name);
        f->setFocus(Qt::TabFocusReason);
        QTest::keyClick(f, Qt::Key_End);
        QTest::keyClicks(f, text);
        QTest::keyClick(f, Qt::Key_Tab);
    }
};

TEST_F(JobEditingTest, LeavingAnUneditedFieldRewritesNothing) {
    auto w = makeWindowWithHistory();
    field(w.get(), "Text1")->setText(u"http://one/page.htm"_s);
    // Start-up filled the fields, so an edit is marked already; the focus clears it.
    field(w.get(), "Text5")->setFocus(Qt::TabFocusReason);
    QTest::keyClick(field(w.get(), "Text5"), Qt::Key_Tab);
    EXPECT_EQ(w->history().rest(0), u"|/d1|0|gif|u1|p1|"_s);
}

TEST_F(JobEditingTest, EditingAFieldRewritesTheWholeRecordOfTheShownUrl) {
    auto w = makeWindowWithHistory();
    field(w.get(), "Text1")->setText(u"HTTP://ONE/page.htm"_s);  // letter case ignored
    field(w.get(), "Text5")->setText(u"anna"_s);
    typeInto(w.get(), "Text3", u",png"_s);
    EXPECT_EQ(w->history().count(), 2);
    EXPECT_EQ(w->history().url(0), u"http://one/page.htm"_s);
    EXPECT_EQ(w->history().rest(0), u"||0|gif,jpg,exe,htm,html,png|anna||"_s);
    EXPECT_EQ(w->history().rest(1), u"|/d2|1|jpg|u2|p2|"_s);
}

TEST_F(JobEditingTest, EditingForAnUnknownUrlStoresNothing) {
    auto w = makeWindowWithHistory();
    field(w.get(), "Text1")->setText(u"http://three/"_s);
    typeInto(w.get(), "Text6", u"secret"_s);
    EXPECT_EQ(w->history().count(), 2);
    EXPECT_EQ(w->history().rest(0), u"|/d1|0|gif|u1|p1|"_s);
    EXPECT_EQ(w->history().rest(1), u"|/d2|1|jpg|u2|p2|"_s);
}

TEST_F(JobEditingTest, SwitchingToAnotherStoredUrlRewritesOnlyThatOne) {
    auto w = makeWindowWithHistory();
    field(w.get(), "Text1")->setText(u"http://one/page.htm"_s);
    field(w.get(), "Text1")->setText(u"http://two/index.html"_s);
    typeInto(w.get(), "Text6", u"new"_s);
    EXPECT_EQ(w->history().rest(0), u"|/d1|0|gif|u1|p1|"_s);
    EXPECT_EQ(w->history().rest(1), u"||0|gif,jpg,exe,htm,html||new|"_s);
}

TEST_F(JobEditingTest, AllFileTypesRewritesAtOnce) {
    auto w = makeWindowWithHistory();
    field(w.get(), "Text1")->setText(u"http://two/"_s);  // the beginning of a stored URL
    QTest::mouseClick(child<QCheckBox>(w.get(), "ckAll"), Qt::LeftButton);
    EXPECT_EQ(w->history().rest(1), u"||1|gif,jpg,exe,htm,html|||"_s);
}

TEST_F(JobEditingTest, TypedBlanksAreDiscardedPastedOnesKept) {
    auto w = makeWindow();
    for (const char* name : {"Text1", "Text2", "Text3", "Text5", "Text6"}) {
        QLineEdit* f = field(w.get(), name);
        f->clear();
        f->setFocus();
        QTest::keyClicks(f, u"a b"_s);
        EXPECT_EQ(f->text(), u"ab"_s) << name;
        QApplication::clipboard()->setText(u" c d"_s);
        QTest::keySequence(f, QKeySequence::Paste);
        EXPECT_EQ(f->text(), u"ab c d"_s) << name;
    }
    // The Options fields and other keys are not affected.
    QTest::keyClicks(field(w.get(), "Text1"), u"|x"_s);
    EXPECT_TRUE(field(w.get(), "Text1")->text().endsWith(u"|x"_s));
}

TEST_F(JobEditingTest, HideMasksAndUnmasksAtOnce) {
    auto w = makeWindow();
    auto* hide = child<QCheckBox>(w.get(), "ckHide");
    auto* password = field(w.get(), "Text6");
    password->setText(u"pw"_s);
    QTest::mouseClick(hide, Qt::LeftButton);
    EXPECT_EQ(password->echoMode(), QLineEdit::Password);
    EXPECT_EQ(password->displayText(), u"**"_s);
    QTest::mouseClick(hide, Qt::LeftButton);
    EXPECT_EQ(password->echoMode(), QLineEdit::Normal);
    EXPECT_EQ(password->displayText(), u"pw"_s);
}

TEST_F(JobEditingTest, RecentUrlWindowBringsAStoredJobBackWithoutRewriting) {
    auto w = makeWindowWithHistory();
    field(w.get(), "Text1")->setText(u"http://two/index.html"_s);
    frmURLs* urls = w->recentUrlWindow();
    QTest::mouseClick(child<QPushButton>(w.get(), "Command10"), Qt::LeftButton);
    EXPECT_FALSE(w->isVisible());
    ASSERT_TRUE(urls->isVisible());
    EXPECT_EQ(urls->windowTitle(), u"Pagegleaner - Recent URL List"_s);

    // The lookup of the URL field highlighted its entry; take the other one by
    // double-click.
    auto* list = urls->findChild<QListView*>(u"List1"_s);
    const QRect first = list->visualRect(list->model()->index(0, 0));
    QApplication::setActiveWindow(urls);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, first.center());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, first.center());
    EXPECT_FALSE(urls->isVisible());
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(field(w.get(), "Text1")->text(), u"http://one/page.htm"_s);
    EXPECT_EQ(field(w.get(), "Text4")->text(), u"/d1"_s);
    EXPECT_EQ(child<QCheckBox>(w.get(), "ckAll")->checkState(), Qt::Unchecked);
    EXPECT_EQ(field(w.get(), "Text3")->text(), u"gif"_s);
    EXPECT_EQ(field(w.get(), "Text5")->text(), u"u1"_s);
    EXPECT_EQ(field(w.get(), "Text6")->text(), u"p1"_s);
    // Loading changed the check box and the fields, but no record.
    EXPECT_EQ(w->history().rest(0), u"|/d1|0|gif|u1|p1|"_s);
    EXPECT_EQ(w->history().rest(1), u"|/d2|1|jpg|u2|p2|"_s);
    EXPECT_FALSE(w->editing().LoadingRecord);

    // Loading the second record checks "All File Types", again without a rewrite.
    w->loadRecord(1);
    EXPECT_EQ(child<QCheckBox>(w.get(), "ckAll")->checkState(), Qt::Checked);
    EXPECT_EQ(w->history().rest(0), u"|/d1|0|gif|u1|p1|"_s);
    // ...and leaving a field afterwards rewrites nothing either.
    field(w.get(), "Text5")->setFocus(Qt::TabFocusReason);
    QTest::keyClick(field(w.get(), "Text5"), Qt::Key_Tab);
    EXPECT_EQ(w->history().rest(1), u"|/d2|1|jpg|u2|p2|"_s);
}

}  // namespace
}  // namespace pg
