#include "desktop/preview_rules.h"

#include <QStringList>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace pg {
namespace {

// A query belongs to the extension ("cgi?a=1"), so does a host's name after
// its last dot ("com/"); text without a dot is judged whole.
TEST(IsPreviewable, JudgesTheTextAfterTheLastDotOfTheWholeUrl) {
    QString marks;
    for (const QString& entry :
         u"http://h/d/PIC.JPG|http://h/d/setup.exe|http://h/d/a.Zip|http://h/d/app.js|"
         u"http://h/d/style.CSS|http://h/d/page.jsp|http://h/cgi-bin/run.cgi?a=1|"
         u"http://h.example.com/|CGI"_s.split(u'|')) {
        marks += IsPreviewable(entry) ? u'1' : u'0';
    }
    EXPECT_EQ(marks, u"100000110"_s);
}

TEST(FitPreviewBrowser, FollowsTheWindowLessItsMarginWhereTheWindowIsLarger) {
    const QSize design(6735, 5775);
    EXPECT_EQ(FitPreviewBrowser({7000, 7000}, design), QSize(6650, 6400));
    EXPECT_EQ(FitPreviewBrowser({300, 7000}, design), QSize(6735, 6400));
    EXPECT_EQ(FitPreviewBrowser({351, 600}, design), QSize(1, 5775));
}

}  // namespace
}  // namespace pg
