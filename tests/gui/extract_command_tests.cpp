#include "gui/file_list_model.h"
#include "gui_harness.h"
#include "scan/page_scan.h"

#include <QEventLoop>

#include <random>

namespace pg::test {
namespace {

// A page that keeps the window waiting until cancel() (or ten seconds).
struct WaitingPage : PageFetcher {
    PageFetchResult FetchPageSource(const QString&, const QString&, const QString&) override {
        QTimer::singleShot(10000, &loop, &QEventLoop::quit);
        loop.exec();
        return {};
    }
    void cancel() override {
        cancelled = true;
        loop.quit();
    }
    QEventLoop loop;
    bool cancelled = false;
};

TEST(ExtractCommandTest, EscCallsThePageOffWhileOtherInputIsHeld) {
    MemorySettings settings;
    WaitingPage page;
    MainWindowServices services;
    services.settings = &settings;
    services.pageFetcher = &page;
    MainWindow window(services);
    window.show();
    auto* url = window.findChild<QLineEdit*>(u"Text1"_s);
    url->setText(u"http://h.example/page.html"_s);
    QTimer::singleShot(100, url, [url] {
        QTest::keyClicks(url, u"typed"_s);  // held: the field keeps its text
        QTest::keyClick(url, Qt::Key_Escape);
    });
    window.findChild<QPushButton*>(u"Command2"_s)->click();
    EXPECT_TRUE(page.cancelled);
    EXPECT_EQ(url->text(), u"http://h.example/page.html"_s);
    EXPECT_EQ(window.findChild<QLabel*>(u"StatusText"_s)->text(),
              PageScanStatusText(PageScanStatus::RequestFailed));
    QTest::keyClicks(url, u"x"_s);  // the window takes input again
    EXPECT_EQ(url->text(), u"http://h.example/page.htmlx"_s);
}

// The list's scroll width comes from laying out only the likeliest widest
// entries; it must come out as laying out every entry does.
TEST(ExtractCommandTest, ListWidthIsTheWidestEntrysAsIfEveryEntryWereMeasured) {
    std::mt19937 random(7);
    const QString letters = u"ilI1.jmMWw/_-AVTaoLYé日😀"_s;
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
