#include "desktop/preview_rules.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace pg {
namespace {

TEST(IsPreviewable, JudgesTheTextAfterTheLastDotOfTheWholeUrl) {
    const struct {
        QString entry;
        bool previewable;
    } cases[] = {
        {u"http://h/d/PIC.JPG"_s, true},
        {u"http://h/d/setup.exe"_s, false},
        {u"http://h/d/a.Zip"_s, false},
        {u"http://h/d/app.js"_s, false},
        {u"http://h/d/style.CSS"_s, false},
        {u"http://h/d/page.jsp"_s, false},
        {u"http://h/cgi-bin/run.cgi?a=1"_s, true},  // the query belongs to the extension
        {u"http://h.example.com/"_s, true},         // "com/"
        {u"CGI"_s, false},                          // no dot: the whole text
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsPreviewable(c.entry), c.previewable) << c.entry.toStdString();
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
