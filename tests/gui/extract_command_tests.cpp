#include "gui/file_list_model.h"
#include "gui_harness.h"
#include "scan/page_scan.h"
#include "support/raw_responder.h"

#include <random>

namespace pg::test {
namespace {

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
