#include "desktop/browser_url.h"
#include "fake_window_tree.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace pg::test {
namespace {

TEST(FindUrlInWindow, TakesTheFirstUrlFieldDepthFirstElseTheDocument) {
    const struct {
        const char* name;
        FakeNode window;
        QString expected;
    } cases[] = {
        {"trimmed, case kept", Box({Field(u"  HTTP://x/y  "_s)}), u"HTTP://x/y"_s},
        {"search text passed over", Box({Field(u"cats"_s), Field(u"http://a/"_s)}), u"http://a/"_s},
        {"depth first", Box({Box({Field(u"ftp://deep/"_s)}), Field(u"http://near/"_s)}),
         u"ftp://deep/"_s},
        {"field inside a field not read", Box({Field(u"cats"_s, {Field(u"http://in/"_s)})}), {}},
        {"host without scheme", Box({Field(u"127.0.0.1:8/p.html"_s)}), {}},
        {"document URL when no field has one",
         Box({Field(u"127.0.0.1:8/p.html"_s), Box({Document(u"about:blank"_s)}),
              Document(u" http://127.0.0.1:8/p.html "_s)}),
         u"http://127.0.0.1:8/p.html"_s},
        {"a field wins over an earlier document",
         Box({Document(u"http://doc/"_s), Field(u"http://field/"_s)}), u"http://field/"_s},
    };
    for (const auto& c : cases) {
        FakeAccessible window(c.window);
        EXPECT_EQ(FindUrlInWindow(window), c.expected) << c.name;
    }
}

TEST(CaptureBrowserUrl, SearchesOnlyTheTopmostWindowWhoseTitleNamesABrowser) {
    FakeDesktop desktop;
    desktop.windows = {
        {u"Notes - chromium"_s, Box({Field(u"http://lower-case/"_s)})},
        {u"Pagegleaner 1.0"_s, Box({Field(u"http://own/"_s)})},
        {u"Welcome - Microsoft Internet Explorer"_s, Box({Field(u"http://top/"_s)})},
        {u"Page \u2014 Mozilla Firefox"_s, Box({Field(u"http://lower/"_s)})},
    };
    BrowserUrlCapture capture = CaptureBrowserUrl(desktop);
    EXPECT_EQ(capture.status, BrowserUrlStatus::Obtained);
    EXPECT_EQ(capture.url, u"http://top/"_s);
    EXPECT_EQ(BrowserUrlStatusText(capture.status), u"URL obtained from browser"_s);

    // The topmost browser has no address: the one below is not tried.
    desktop.windows.at(2).second = Box({Field(u"www.example.com"_s)});
    capture = CaptureBrowserUrl(desktop);
    EXPECT_EQ(capture.status, BrowserUrlStatus::NotObtained);
    EXPECT_EQ(BrowserUrlStatusText(capture.status), u"Unable to obtain URL from browser"_s);

    desktop.windows.at(2).second.reset();  // no accessibility tree at all
    EXPECT_EQ(CaptureBrowserUrl(desktop).status, BrowserUrlStatus::NotObtained);
}

TEST(CaptureBrowserUrl, TitleWordsMatchWithExactLetterCase) {
    for (const QString& title : {u"Netscape: Home"_s, u"Prodigy"_s, u"x - America Online"_s,
                                 u"New Tab - Google Chrome"_s, u"Test page - Chromium"_s}) {
        EXPECT_TRUE(IsBrowserTitle(title)) << title.toStdString();
    }
    FakeDesktop desktop;
    desktop.windows = {{u"x - mozilla firefox"_s, Box({Field(u"http://a/"_s)})},
                       {u"NETSCAPE"_s, Box({Field(u"http://b/"_s)})},
                       {u"Terminal"_s, std::nullopt}};
    const BrowserUrlCapture capture = CaptureBrowserUrl(desktop);
    EXPECT_EQ(capture.status, BrowserUrlStatus::NoBrowser);
    EXPECT_EQ(BrowserUrlStatusText(capture.status),
              u"Unable to obtain URL from browser - no browser found"_s);
}

}  // namespace
}  // namespace pg::test
