#include "desktop/browser_url.h"
#include "fake_window_tree.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace pg::test {
namespace {

TEST(FindUrlInWindow, TakesTheFirstUrlFieldDepthFirstElseTheDocument) {
    std::pair<FakeNode, QString> cases[] = {
        // trimmed, letter case kept
        {Box({Field(u"  HTTP://x/y  "_s)}), u"HTTP://x/y"_s},
        // a search text passed over; https and ftp are URLs as well
        {Box({Field(u"cats"_s), Field(u"http://a/"_s)}), u"http://a/"_s},
        {Box({Field(u"https://s/p?q=1"_s)}), u"https://s/p?q=1"_s},
        {Box({Field(u"Ftp://f/"_s)}), u"Ftp://f/"_s},
        // depth first
        {Box({Box({Field(u"ftp://deep/"_s)}), Field(u"http://near/"_s)}), u"ftp://deep/"_s},
        // a field inside a field is not read
        {Box({Field(u"cats"_s, {Field(u"http://in/"_s)})}), {}},
        // a host without a scheme
        {Box({Field(u"127.0.0.1:8/p.html"_s)}), {}},
        // the first document URL when no field has one
        {Box({Field(u"127.0.0.1:8/p.html"_s), Box({Document(u"about:blank"_s)}),
              Document(u" http://127.0.0.1:8/p.html "_s), Document(u"http://second/"_s)}),
         u"http://127.0.0.1:8/p.html"_s},
        // a field wins over an earlier document
        {Box({Document(u"http://doc/"_s), Field(u"http://field/"_s)}), u"http://field/"_s}};
    for (size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(FindUrlInWindow(cases[i].first), cases[i].second) << "case " << i;
    }
}

TEST(IsBrowserTitle, TitleWordsMatchWithExactLetterCase) {
    QString marks;
    for (const QString& title :
         u"Netscape: Home|Welcome - Microsoft Internet Explorer|Prodigy|x - America Online|"
         u"Page \u2014 Mozilla Firefox|Test - Chromium|New Tab - Google Chrome|NETSCAPE|"
         u"x - mozilla firefox|Notes - chromium"_s.split(u'|')) {
        marks += IsBrowserTitle(title) ? u'1' : u'0';
    }
    EXPECT_EQ(marks, u"1111111000"_s);
}

TEST(CaptureBrowserUrl, SearchesOnlyTheTopmostBrowserWindow) {
    FakeDesktop desktop;
    const auto shown = [&desktop] {  // the URL or the status text
        const BrowserUrlCapture c = CaptureBrowserUrl(desktop);
        return c.status == BrowserUrlStatus::Obtained ? c.url : BrowserUrlStatusText(c.status);
    };
    desktop.windows = {{u"a - chromium"_s, Box({Field(u"http://a/"_s)})}, {u"Terminal"_s, {}}};
    EXPECT_EQ(shown(), u"Unable to obtain URL from browser - no browser found"_s);
    desktop.windows.push_back({u"b - Chromium"_s, Box({Field(u"http://top/"_s)})});
    desktop.windows.push_back({u"c - Chromium"_s, Box({Field(u"http://lower/"_s)})});
    EXPECT_EQ(shown(), u"http://top/"_s);
    // The topmost browser shows no URL: the one below is not tried.
    desktop.windows.at(2).second = Box({Field(u"www.example.com"_s)});
    EXPECT_EQ(shown(), u"Unable to obtain URL from browser"_s);
    desktop.windows.at(2).second.reset();  // no accessibility tree at all
    EXPECT_EQ(shown(), u"Unable to obtain URL from browser"_s);
}

}  // namespace
}  // namespace pg::test
