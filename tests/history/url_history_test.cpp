#include "history/url_history.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <optional>

using namespace Qt::StringLiterals;

namespace pg {
namespace {

// Fills a history from record lines the way the file reader does.
UrlHistory MakeHistory(const QStringList& lines) {
    UrlHistory history;
    for (const QString& line : lines) {
        const qsizetype bar = line.indexOf(u'|');
        history.append(line.left(bar), line.mid(bar));
    }
    return history;
}

JobSettings Job(const QString& url, const QString& dir, int all = Unchecked) {
    JobSettings job;
    job.URL = url;
    job.DDir = dir;
    job.All = all;
    job.FTypes = u"*.zip"_s;
    job.User = u"anna"_s;
    job.Pwd = u"secret"_s;
    return job;
}

TEST(UrlHistoryRecord, RoundTripKeepsTextAndEmptyPassword) {
    const QString line = u"http://host/dir/page.htm|/home/anna/dl|1|*.zip *.pdf|anna||"_s;
    const UrlHistory history = MakeHistory({line});
    const JobSettingsUpdate update = history.LoadRecord(0);

    ASSERT_TRUE(update.URL && update.DDir && update.All && update.FTypes && update.User &&
                update.Pwd);
    EXPECT_EQ(*update.URL, u"http://host/dir/page.htm"_s);
    EXPECT_EQ(*update.DDir, u"/home/anna/dl"_s);
    EXPECT_EQ(*update.All, Checked);
    EXPECT_EQ(*update.FTypes, u"*.zip *.pdf"_s);
    EXPECT_EQ(*update.User, u"anna"_s);
    EXPECT_EQ(*update.Pwd, QString());
    EXPECT_FALSE(update.Hide);

    JobSettings job;
    job.URL = *update.URL;
    job.DDir = *update.DDir;
    job.All = *update.All;
    job.FTypes = *update.FTypes;
    job.User = *update.User;
    job.Pwd = *update.Pwd;
    EXPECT_EQ(*update.URL + BuildRecordRest(job), line);
}

struct LoadCase {
    const char* name;
    QString line;
    std::optional<QString> url, dir;
    std::optional<int> all;
    std::optional<QString> types, user, pwd;
};

class UrlHistoryLoad : public ::testing::TestWithParam<LoadCase> {};

TEST_P(UrlHistoryLoad, FieldsByOrdinal) {
    const LoadCase& c = GetParam();
    const UrlHistory history = MakeHistory({c.line});
    const JobSettingsUpdate u = history.LoadRecord(0);
    EXPECT_EQ(u.URL, c.url);
    EXPECT_EQ(u.DDir, c.dir);
    EXPECT_EQ(u.All, c.all);
    EXPECT_EQ(u.FTypes, c.types);
    EXPECT_EQ(u.User, c.user);
    EXPECT_EQ(u.Pwd, c.pwd);
    EXPECT_FALSE(u.Hide);
}

INSTANTIATE_TEST_SUITE_P(
    Records, UrlHistoryLoad,
    ::testing::Values(LoadCase{"EmptyUrl", u"|/d|0|*.a|u|p|"_s, u""_s, u"/d"_s, Unchecked, u"*.a"_s,
                               u"u"_s, u"p"_s},
                      LoadCase{"BarInsideFieldShifts", u"http://h/|/d|x|0|*.a|u|p|"_s,
                               u"http://h/"_s, u"/d"_s, std::nullopt, u"0"_s, u"*.a"_s, u"u"_s},
                      LoadCase{"AllNotANumber", u"http://h/|/d|yes|*.a|u|p|"_s, u"http://h/"_s,
                               u"/d"_s, std::nullopt, u"*.a"_s, u"u"_s, u"p"_s},
                      LoadCase{"AllOutOfRange", u"http://h/|/d|7|*.a|u|p|"_s, u"http://h/"_s,
                               u"/d"_s, std::nullopt, u"*.a"_s, u"u"_s, u"p"_s},
                      LoadCase{"AllGrayed", u"http://h/|/d|2|*.a|u|p|"_s, u"http://h/"_s, u"/d"_s,
                               Grayed, u"*.a"_s, u"u"_s, u"p"_s},
                      LoadCase{"SeventhFieldAndTailIgnored", u"http://h/|/d|1|*.a|u|p|extra|tail"_s,
                               u"http://h/"_s, u"/d"_s, Checked, u"*.a"_s, u"u"_s, u"p"_s},
                      LoadCase{"UnfinishedFieldIgnored", u"http://h/|/d|1|*.a"_s, u"http://h/"_s,
                               u"/d"_s, Checked, std::nullopt, std::nullopt, std::nullopt}),
    [](const auto& param) { return std::string(param.param.name); });

struct FindCase {
    const char* name;
    QStringList urls;
    QString text;
    int expected;
};

class UrlHistoryFind : public ::testing::TestWithParam<FindCase> {};

TEST_P(UrlHistoryFind, FirstPrefixMatchFromTop) {
    const FindCase& c = GetParam();
    UrlHistory history;
    for (const QString& url : c.urls) {
        history.append(url, u"|||||"_s);
    }
    history.setCurrentIndex(c.urls.isEmpty() ? -1 : 0);
    EXPECT_EQ(history.FindUrl(c.text), c.expected);
    EXPECT_EQ(history.currentIndex(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Urls, UrlHistoryFind,
    ::testing::Values(
        FindCase{"Exact", {u"http://a/"_s, u"http://b/x.htm"_s}, u"http://b/x.htm"_s, 1},
        FindCase{"StoredLongerFoundByBeginning",
                 {u"http://a/"_s, u"http://h/dir/page.htm"_s},
                 u"http://h/dir"_s,
                 1},
        FindCase{"StoredShorterNotFound", {u"http://h/dir"_s}, u"http://h/dir/page.htm"_s, -1},
        FindCase{
            "LetterCaseIgnored", {u"http://a/"_s, u"HTTP://Host/Page"_s}, u"http://host/p"_s, 1},
        FindCase{"NonAsciiCaseIgnored",
                 {u"http://a/"_s, u"http://Ärger/σοφος/x"_s},
                 u"HTTP://äRGER/ΣΟΦΟΣ"_s,
                 1},
        FindCase{"DuplicatesFirstFromTopWins",
                 {u"http://a/"_s, u"http://h/x"_s, u"http://h/x"_s},
                 u"http://h/x"_s,
                 1},
        FindCase{"NoMatchClearsCurrent", {u"http://a/"_s}, u"ftp://a/"_s, -1},
        FindCase{"EmptyTextMatchesFirst", {u"http://a/"_s, u"http://b/"_s}, QString(), 0},
        FindCase{"EmptyHistory", {}, u"http://a/"_s, -1}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(UrlHistoryAdd, InsertsAtTopOnlyWhenNotFound) {
    UrlHistory history = MakeHistory({u"http://old/|/o|0|||||"_s});
    int changes = 0;
    history.setOnChanged([&changes] { ++changes; });

    EXPECT_TRUE(history.AddUrl(u"http://new/page"_s, Job(u"ignored"_s, u"/n"_s, Checked)));
    ASSERT_EQ(history.count(), 2);
    EXPECT_EQ(history.recordText(0), u"http://new/page|/n|1|*.zip|anna|secret|"_s);
    EXPECT_EQ(history.recordText(1), u"http://old/|/o|0|||||"_s);
    EXPECT_EQ(changes, 1);

    // Found (by its beginning, in another letter case): nothing is updated or moved.
    EXPECT_FALSE(history.AddUrl(u"HTTP://OLD"_s, Job(u"x"_s, u"/changed"_s)));
    EXPECT_FALSE(history.AddUrl(u"http://new/"_s, Job(u"x"_s, u"/changed"_s)));
    EXPECT_EQ(history.count(), 2);
    EXPECT_EQ(history.recordText(0), u"http://new/page|/n|1|*.zip|anna|secret|"_s);
    EXPECT_EQ(history.recordText(1), u"http://old/|/o|0|||||"_s);
    EXPECT_EQ(history.currentIndex(), 0);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(history.countText(), u"2 URLs"_s);
}

TEST(UrlHistoryMarks, FollowEntriesOnInsert) {
    UrlHistory history = MakeHistory({u"http://a/|"_s, u"http://b/|"_s, u"http://c/|"_s});
    int changes = 0;
    history.setOnChanged([&changes] { ++changes; });
    history.setMarked(0, true);
    history.setMarked(2, true);
    history.setMarked(2, true);  // no change, no notification
    history.setMarked(7, true);  // out of range
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(history.markedCount(), 2);

    ASSERT_TRUE(history.AddUrl(u"http://new/"_s, Job({}, {})));
    EXPECT_FALSE(history.isMarked(0));
    EXPECT_TRUE(history.isMarked(1));
    EXPECT_FALSE(history.isMarked(2));
    EXPECT_TRUE(history.isMarked(3));
    EXPECT_EQ(history.url(3), u"http://c/"_s);
    EXPECT_EQ(history.markedCount(), 2);

    history.setMarked(1, false);
    EXPECT_EQ(history.markedCount(), 1);
    EXPECT_EQ(changes, 4);
}

}  // namespace
}  // namespace pg
