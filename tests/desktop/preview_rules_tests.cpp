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
    for (const QString& entry :
         u"http://h/d/PIC.JPG|HTTPS://h/a.gif|ftp://h/pub/a.png|"
         u"http://h/cgi-bin/run.cgi?a=1|http://h.example.com/"_s.split(u'|')) {
        EXPECT_TRUE(IsPreviewable(entry)) << entry.toStdString();
    }
    for (const QString& entry :
         u"http://h/d/setup.exe|http://h/d/a.Zip|http://h/d/app.js|http://h/d/style.CSS|"
         u"http://h/d/page.jsp|file:///home/u/x.html|FILE:///etc/.|view-source:http://h/a.html|"
         u"data:text/html,<script>fetch('file:///etc/hostname')</script>//://x.html|"
         u"chrome://inducebrowsercrashforrealz/.|chrome://uithreadhang/.|"
         u"javascript:alert(1)//x.gif|a.gif"_s.split(u'|')) {
        EXPECT_FALSE(IsPreviewable(entry)) << entry.toStdString();
    }
    EXPECT_EQ(PreviewLocation(u"http://alice:secret@h/a.png"_s), QUrl(u"http://h/a.png"_s));
}

TEST(FitPreviewBrowser, FollowsTheWindowLessItsMarginWhereTheWindowIsLarger) {
    const QSize design(6735, 5775);
    EXPECT_EQ(FitPreviewBrowser({7000, 7000}, design), QSize(6650, 6400));
    EXPECT_EQ(FitPreviewBrowser({300, 7000}, design), QSize(6735, 6400));
    EXPECT_EQ(FitPreviewBrowser({351, 600}, design), QSize(1, 5775));
}

}  // namespace
}  // namespace pg
