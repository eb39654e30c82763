#include "desktop/preview_rules.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace pg {
namespace {

// Only http, https and ftp entries are shown, judged on the URL the browser
// gets. The extension is the text after the last dot of the whole URL: a query
// belongs to it ("cgi?a=1"), so does a host's name after its last dot
// ("com/"). What is loaded never carries a user name or password.
TEST(IsPreviewable, TakesWebSchemesWithoutProgramScriptOrArchiveExtensions) {
    struct Case {
        QString entry;
        bool previewable;
        QString location;  // what a preview loads, where it loads anything
    };
    const Case cases[] = {
        {u"http://h/d/PIC.JPG"_s, true, u"http://h/d/PIC.JPG"_s},
        {u"HTTPS://h/a.gif"_s, true, u"https://h/a.gif"_s},
        {u"ftp://h/pub/a.png"_s, true, u"ftp://h/pub/a.png"_s},
        {u"http://alice:secret@h/a.png"_s, true, u"http://h/a.png"_s},
        {u"http://h/cgi-bin/run.cgi?a=1"_s, true, u"http://h/cgi-bin/run.cgi?a=1"_s},
        {u"http://h.example.com/"_s, true, u"http://h.example.com/"_s},
        {u"http://h/d/setup.exe"_s, false, {}},
        {u"http://h/d/a.Zip"_s, false, {}},
        {u"http://h/d/app.js"_s, false, {}},
        {u"http://h/d/style.CSS"_s, false, {}},
        {u"http://h/d/page.jsp"_s, false, {}},
        {u"file:///home/u/Downloads/x.html"_s, false, {}},
        {u"FILE:///etc/."_s, false, {}},
        {u"data:text/html,<script>fetch('file:///etc/hostname')</script>//://x.html"_s, false, {}},
        {u"view-source:http://h/a.html"_s, false, {}},
        {u"chrome://inducebrowsercrashforrealz/."_s, false, {}},
        {u"chrome://uithreadhang/."_s, false, {}},
        {u"javascript:alert(1)//x.gif"_s, false, {}},
        {u"about:blank"_s, false, {}},
        {u"a.gif"_s, false, {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsPreviewable(c.entry), c.previewable) << c.entry.toStdString();
        if (c.previewable) {
            EXPECT_EQ(PreviewLocation(c.entry).toString().toStdString(), c.location.toStdString());
        }
    }
}

TEST(FitPreviewBrowser, FollowsTheWindowLessItsMarginWhereTheWindowIsLarger) {
    const QSize design(6735, 5775);
    EXPECT_EQ(FitPreviewBrowser({7000, 7000}, design), QSize(6650, 6400));
    EXPECT_EQ(FitPreviewBrowser({300, 7000}, design), QSize(6735, 6400));
    EXPECT_EQ(FitPreviewBrowser({351, 600}, design), QSize(1, 5775));
}

}  // namespace
}  // namespace pg
