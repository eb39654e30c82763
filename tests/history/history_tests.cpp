#include "history/history_file.h"
#include "history/url_history.h"
#include "support/isolated_home.h"
#include "support/test_bytes.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace pg {
namespace {

// Records given as file lines: the URL is the text before the first "|".
UrlHistory Make(const QStringList& records) {
    UrlHistory history;
    for (const QString& record : records) {
        history.append(record.section(u'|', 0, 0), record.mid(record.indexOf(u'|')));
    }
    return history;
}

QStringList Records(const UrlHistory& history) {
    QStringList records;
    for (int i = 0; i < history.count(); ++i) {
        records.append(history.recordText(i));
    }
    return records;
}

int Mode(const QString& path) {
    struct stat info {};
    return stat(QFile::encodeName(path).constData(), &info) == 0 ? int(info.st_mode & 0777) : -1;
}

TEST(UrlHistory, FindUrlIsFirstCaseInsensitivePrefixMatchAndBecomesCurrent) {
    UrlHistory history = Make({u"http://Site/a/b.htm|"_s, u"http://site/a/|"_s, u"http://o/|"_s});
    const std::pair<QString, int> cases[] = {
        {u"HTTP://SITE/A"_s, 0},  {u"http://o"_s, 2}, {u"http://o/x.htm"_s, -1},
        {u"http://site/a/"_s, 0}, {u""_s, -1},        {u"site"_s, -1}};
    for (const auto& [text, index] : cases) {
        EXPECT_EQ(history.FindUrl(text), index) << text.toStdString();
        EXPECT_EQ(history.currentIndex(), index) << text.toStdString();
    }
}

TEST(UrlHistory, AddUrlPutsANewUrlOnTopAndLeavesAFoundOneAlone) {
    UrlHistory history = Make({u"http://site/a/b.htm|/old|0|jpg|||"_s});
    const JobSettings job{u"ignored"_s, u"/dl"_s, true, u"gif"_s, u"me"_s, u"pw"_s, true};
    EXPECT_TRUE(history.AddUrl(u"http://new/"_s, job));
    EXPECT_FALSE(history.AddUrl(u"HTTP://SITE/a"_s, job));
    EXPECT_FALSE(history.AddUrl(u""_s, job));
    EXPECT_EQ(Records(history), (QStringList{u"http://new/|/dl|1|gif|me|pw|"_s,
                                             u"http://site/a/b.htm|/old|0|jpg|||"_s}));
}

TEST(UrlHistory, UpdateCurrentRecordRewritesOnlyTheFoundRecord) {
    UrlHistory history = Make({u"http://a/x.htm|old|"_s, u"http://b/page.htm|old|"_s});
    JobSettings job{u"http://B/"_s, u"/new"_s, true, u"exe"_s, {}, {}, false};
    EXPECT_TRUE(history.UpdateCurrentRecord(job));
    for (const QString& unknown : {u"http://c/"_s, u""_s}) {
        job.url = unknown;
        EXPECT_FALSE(history.UpdateCurrentRecord(job)) << unknown.toStdString();
    }
    EXPECT_EQ(Records(history),
              (QStringList{u"http://a/x.htm|old|"_s, u"http://b/page.htm|/new|1|exe|||"_s}));
}

TEST(UrlHistory, LoadRecordAssignsTheFieldsEndedByABar) {
    using Fields =
        std::tuple<std::optional<QString>, std::optional<QString>, std::optional<bool>,
                   std::optional<QString>, std::optional<QString>, std::optional<QString>>;
    const std::pair<QString, Fields> cases[] = {
        {u"http://h/p|/dl|1|gif,jpg|me||"_s,
         {u"http://h/p"_s, u"/dl"_s, true, u"gif,jpg"_s, u"me"_s, u""_s}},
        {u"u|d|x|t|me|pw|"_s, {u"u"_s, u"d"_s, {}, u"t"_s, u"me"_s, u"pw"_s}},
        {u"u|d|0|t|me|pw|7th|tail"_s, {u"u"_s, u"d"_s, false, u"t"_s, u"me"_s, u"pw"_s}},
        {u"u|d|0|t|me|unended"_s, {u"u"_s, u"d"_s, false, u"t"_s, u"me"_s, {}}},
        {u"u|/a|b|0|gif|me|pw|"_s, {u"u"_s, u"/a"_s, {}, u"0"_s, u"gif"_s, u"me"_s}}};
    for (const auto& [record, fields] : cases) {
        const JobSettingsUpdate u = Make({record}).LoadRecord(0);
        EXPECT_EQ(Fields(u.url, u.directory, u.allTypes, u.fileTypes, u.userName, u.password),
                  fields)
            << record.toStdString();
    }
    const JobSettingsUpdate none = Make({u"u|d|0|t|me|pw|"_s}).LoadRecord(-1);
    EXPECT_FALSE(none.url || none.directory || none.allTypes || none.password);
}

TEST(HistoryFile, ReadsLfAndCrLfLinesAndSkipsLinesWithoutABar) {
    const QTemporaryDir dir(test::IsolatedRoot() + u"/XXXXXX"_s);
    const QString path = dir.filePath(u"urls.txt"_s);
    ASSERT_TRUE(test::WriteFileBytes(
        path, "http://a/|/d|0|gif|||\r\nno bar\n\n|/e|1|jpg|||\nhttp://c/|x|"));
    UrlHistory history;
    ASSERT_TRUE(ReadHistoryFile(path, history));
    EXPECT_EQ(Records(history),
              (QStringList{u"http://a/|/d|0|gif|||"_s, u"|/e|1|jpg|||"_s, u"http://c/|x|"_s}));
    EXPECT_EQ(history.url(1), u""_s);
    EXPECT_FALSE(ReadHistoryFile(path + u".missing"_s, history));
}

TEST(HistoryFile, WritesCrLfLinesUpToTheLimit) {
    const UrlHistory history = Make({u"1|"_s, u"2|"_s, u"3|"_s, u"4|"_s, u"5|"_s});
    const std::pair<QString, int> cases[] = {{u"3"_s, 3},  {u"10"_s, 5},  {u"0"_s, 5},
                                             {u"-2"_s, 5}, {u"abc"_s, 5}, {u""_s, 5}};
    const QTemporaryDir dir(test::IsolatedRoot() + u"/XXXXXX"_s);
    const QString path = dir.filePath(u"urls.txt"_s);
    for (const auto& [limit, lines] : cases) {
        ASSERT_TRUE(WriteHistoryFile(path, history, limit));
        EXPECT_EQ(test::ReadFileBytes(path),
                  QByteArray("1|\r\n2|\r\n3|\r\n4|\r\n5|\r\n").left(4 * lines))
            << limit.toStdString();
    }
}

TEST(HistoryFile, IsOwnerOnlyWhenCreatedAndWhenReplaced) {
    const QTemporaryDir dir(test::IsolatedRoot() + u"/XXXXXX"_s);
    const QString created = dir.filePath(u"new/urls.txt"_s), replaced = dir.filePath(u"urls.txt"_s);
    ASSERT_TRUE(test::WriteFileBytes(replaced, "old\r\n"));
    QFile::setPermissions(replaced, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther);
    for (const QString& path : {created, replaced}) {
        ASSERT_TRUE(WriteHistoryFile(path, Make({u"http://a/|"_s}), u"100"_s));
        EXPECT_EQ(Mode(path), 0600) << path.toStdString();
    }
}

TEST(HistoryFile, FailedWriteKeepsTheOldFile) {
    const QTemporaryDir dir(test::IsolatedRoot() + u"/XXXXXX"_s);
    const QString folder = dir.path(), path = dir.filePath(u"urls.txt"_s);
    ASSERT_TRUE(test::WriteFileBytes(path, "old\r\n"));
    const UrlHistory big = Make({u"http://a/|"_s + QString(500, u'x')});
    EXPECT_FALSE(WriteHistoryFile(folder, big, u"100"_s));  // the target is a folder
    // A file size limit makes the write itself fail, also for root.
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small{64, saved.rlim_max};
    const auto oldHandler = signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &small);
    const bool wroteOld = WriteHistoryFile(path, big, u"100"_s);
    const bool wroteNew = WriteHistoryFile(folder + u"/new.txt"_s, big, u"100"_s);
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(wroteOld || wroteNew);
    EXPECT_EQ(test::ReadFileBytes(path), QByteArray("old\r\n"));
    EXPECT_EQ(QDir(folder).entryList(QDir::Files), QStringList{u"urls.txt"_s});  // no leftovers
}

}  // namespace
}  // namespace pg
