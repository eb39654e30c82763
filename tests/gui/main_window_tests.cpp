#include "gui/file_list_model.h"
#include "gui_harness.h"
#include "scan/page_scan.h"
#include "support/raw_responder.h"
#include "version.h"

#include <QCheckBox>
#include <QClipboard>

#include <random>

namespace pg::test {
namespace {

const QStringList kFiles = u"a1.gif b1.jpg a2.gif b2.jpg"_s.split(u' ');

// A stored check-box text other than 0 or 1 leaves the box clear, as on a first run.
TEST(MainWindowTest, StartsFromTheSettingsAndEscapeSavesTheJobAndTheHistory) {
    MainWindowHarness h(
        {{u"URL"_s, u"http://a/"_s}, {u"All"_s, u"2"_s}, {u"Hide"_s, u"2"_s}, {u"Max"_s, u"1"_s}},
        u"http://a/|/a|1|gif|||\r\nhttp://b/|/b|0|jpg|||\r\n"_s);
    // "Pagegleaner 2.1" for version 2.1.x: plain numbers, no patch level.
    EXPECT_EQ(h.window->windowTitle(), u"Pagegleaner "_s + QString::number(PG_VERSION_MAJOR) +
                                           u'.' + QString::number(PG_VERSION_MINOR));
    EXPECT_FALSE(h.child("Command1")->isEnabled());
    EXPECT_EQ(h.status(), u"Welcome to Pagegleaner - click the About Button for help"_s);

    QTest::keyClicks(h.child("Text5"), u"bob"_s);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_FALSE(h.window->isVisible());
    const auto& saved = h.fakes.values;
    EXPECT_EQ(saved[u"User"_s] + saved[u"All"_s] + saved[u"Hide"_s], u"bob00"_s);  // clear boxes
    EXPECT_EQ(h.historyFile(), u"http://a/|/a|1|gif|||\r\n"_s);  // Max 1: the newest only
}

// Entries 0 (a gif) and 3 are checked. The status shows each selection
// command's progress while it walks the list; a scan of another URL meets a
// list with a checked entry.
TEST(MainWindowTest, SelectionAndExtractCommands) {
    MainWindowHarness h;
    h.extract(kFiles);
    auto* list = h.child<QListView>("lstImages");
    SetChecked(list, 0, true);
    SetChecked(list, 3, true);
    EXPECT_EQ(h.status(), u"2 files selected"_s);
    // Nothing to search for: the checked files stay ready to download.
    h.child<QPushButton>("Command7")->click();
    EXPECT_EQ(h.status(), u"Please specify text to search for"_s);
    EXPECT_TRUE(h.child("Command1")->isEnabled());
    EXPECT_EQ(QApplication::focusWidget(), h.child("Text2"));
    h.child<QLineEdit>("Text2")->setText(u"GIF"_s);
    QStringList shown;
    QObject::connect(list->model(), &QAbstractItemModel::dataChanged,
                     [&] { shown.append(h.status()); });
    for (const auto& [button, progress, status, marks] :
         {std::tuple{"Command7", u"Selecting files..."_s, u"2 files selected"_s, u"x-xx"_s},
          std::tuple{"Command5", u"Unselecting files..."_s, u"4 files unselected"_s, u"----"_s}}) {
        shown.clear();
        list->setCurrentIndex(list->model()->index(1, 0));
        h.child<QPushButton>(button)->click();
        EXPECT_EQ(shown.join(u'|'), progress) << button;
        EXPECT_EQ(h.status(), status);
        EXPECT_EQ(Marks(list), marks);
        EXPECT_EQ(h.child("Command1")->isEnabled(), marks.contains(u'x'));
        EXPECT_EQ(list->currentIndex().row(), 0);
    }
    for (const auto& [url, rows, countLabel, status] :
         {std::tuple{u"www.h.example/"_s, 4, QString(), PageScanStatus::BadPrefix},
          std::tuple{h.http.url("/d/page.html"), 4, u"4 extracted file URLs"_s,
                     PageScanStatus::Extracted},
          std::tuple{h.http.url("/d/none.html"), 0, QString(), PageScanStatus::RequestFailed}}) {
        SetChecked(list, 1, true);
        h.child<QLineEdit>("Text1")->setText(url);
        h.child<QPushButton>("Command2")->click();
        h.waitForScan();
        EXPECT_EQ(list->model()->rowCount(), rows);
        EXPECT_EQ(h.child<QLabel>("Label2")->text(), countLabel);
        EXPECT_FALSE(h.child("Command1")->isEnabled());
        EXPECT_EQ(h.status(), PageScanStatusText(status));
    }
}

TEST(JobFieldsTest, TypedBlanksAreDiscardedPastedOnesKept) {
    MainWindowHarness h;
    QApplication::clipboard()->setText(u"c d"_s);
    for (const char* name : {"Text1", "Text2", "Text3", "Text5", "Text6"}) {
        h.child<QLineEdit>(name)->clear();
        QTest::keyClicks(h.child(name), u"a b"_s);
        h.child<QLineEdit>(name)->paste();
        EXPECT_EQ(h.child<QLineEdit>(name)->text(), u"abc d"_s) << name;
    }
}

// Leaving an edited field rewrites the record of the URL shown from all fields;
// an empty URL field finds no record, and focus alone rewrites nothing. A page
// URL given at start (the menu entry's %u) replaces the stored URL and keeps
// the rest of the stored job; the record an edit rewrites is then the given URL's.
TEST(JobFieldsTest, LeavingAnEditedFieldRewritesTheShownUrlsRecord) {
    const QString a = u"http://a/|/a|0|gif|||\r\n"_s, b = u"http://b/|/b|1|jpg|||\r\n"_s,
                  edited = a + u"http://b/|/dl|0|gif,png|||\r\n"_s;
    // stored URL, URL given at start, whether Text3 is edited, urls.txt in the end
    for (const auto& [stored, given, edit, history] :
         {std::tuple{u"http://b/"_s, QString(), true, edited},
          std::tuple{QString(), QString(), true, a + b},
          std::tuple{u"http://b/"_s, QString(), false, a + b},
          std::tuple{u"http://a/"_s, u"http://b/"_s, false, a + b},
          std::tuple{u"http://a/"_s, u"http://b/"_s, true, edited}}) {
        MainWindowHarness h({{u"URL"_s, stored}, {u"DDir"_s, u"/dl"_s}, {u"FTypes"_s, u"gif"_s}},
                            a + b, given);
        const QString shown = given.isEmpty() ? stored : given;
        EXPECT_EQ(h.child<QLineEdit>("Text1")->text() + h.child<QLineEdit>("Text4")->text() +
                      h.child<QLineEdit>("Text3")->text(),
                  shown + u"/dlgif"_s);
        FocusByTab(h.child("Text3"));
        if (edit) {
            QTest::keyClick(h.child("Text3"), Qt::Key_End);
            QTest::keyClicks(h.child("Text3"), u",png"_s);
        }
        FocusByTab(h.child("Text5"));
        h.window->close();
        EXPECT_EQ(h.fakes.values[u"URL"_s], shown);
        EXPECT_EQ(h.historyFile(), history) << stored.toStdString() << given.toStdString() << edit;
    }
}

// A page server that says nothing.
TEST(ExtractCommandTest, EscCallsThePageOffWhileOtherInputIsHeld) {
    MainWindowHarness h;
    RawResponder silent(std::vector<RawAnswer>{{.stall = true}});
    auto* url = h.child<QLineEdit>("Text1");
    url->setText(silent.url("/slow.html"));
    QTimer::singleShot(100, url, [url] {
        QTest::keyClicks(url, u"typed"_s);  // held: the field keeps its text
        QTest::keyClick(url, Qt::Key_Escape);
    });
    h.child<QPushButton>("Command2")->click();
    h.waitForScan();
    EXPECT_EQ(url->text(), silent.url("/slow.html"));
    EXPECT_EQ(h.status(), PageScanStatusText(PageScanStatus::RequestFailed));
    QTest::keyClicks(url, u"x"_s);  // the window takes input again
    EXPECT_EQ(url->text(), silent.url("/slow.html") + u'x');
}

// The list's scroll width comes from laying out only the likeliest widest
// entries; it must come out as laying out every entry does.
TEST(ExtractCommandTest, ListWidthIsTheWidestEntrysAsIfEveryEntryWereMeasured) {
    std::mt19937 random(7);
    const QStringList letters = u"i l I 1 . j m M W w / _ - A V T a o L Y é 日 😀"_s.split(u' ');
    QStringList texts(2000, u"http://h/"_s);
    int widest = 0;
    for (QString& text : texts) {
        for (int n = 20 + static_cast<int>(random() % 30); n > 0; --n) {
            text += letters[random() % letters.size()];
        }
        widest = std::max(widest, QFontMetrics(QApplication::font()).horizontalAdvance(text));
    }
    EXPECT_EQ(WidestTextWidth(texts, QApplication::font()), widest);
}

}  // namespace
}  // namespace pg::test
