#include "history/history_file.h"
#include "history/url_history.h"
#include "support/isolated_home.h"
#include "support/qstring_printer.h"
#include "support/test_bytes.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

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

// The fields of a record as "url|directory|all|types|user|password", "~" for
// each field left out.
QString Loaded(const JobSettingsUpdate& u) {
    const auto text = [](const std::optional<QString>& field) { return field.value_or(u"~"_s); };
    return QStringList{
        text(u.url),       text(u.directory), u.allTypes ? QString::number(*u.allTypes) : u"~"_s,
        text(u.fileTypes), text(u.userName),  text(u.password)}
        .join(u'|');
}

// A folder of its own, with urls.txt to be.
class HistoryFile : public ::testing::Test {
protected:
    const QTemporaryDir dir{test::IsolatedRoot() + u"/XXXXXX"_s};
    const QString path = dir.filePath(u"urls.txt"_s);
};

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

// A new URL goes on top; a URL already there (the whole URL, letter case
// ignored) changes nothing on add, and its record's settings on update. A URL
// that only begins a stored one is another URL.
TEST(UrlHistory, AddUrlAndUpdateCurrentRecordMatchTheWholeUrl) {
    UrlHistory history = Make({u"http://s/a/b.htm|/old|0|jpg|||"_s, u"http://b/|old|"_s});
    JobSettings job{u"ignored"_s, u"/dl"_s, true, u"gif"_s, u"me"_s, u"pw"_s, true};
    EXPECT_TRUE(history.AddUrl(u"http://new/"_s, job));
    EXPECT_FALSE(history.AddUrl(u"HTTP://S/a/B.htm"_s, job));
    EXPECT_EQ(history.currentIndex(), 1);
    EXPECT_FALSE(history.AddUrl(u""_s, job));
    EXPECT_TRUE(history.AddUrl(u"http://s/"_s, job));
    job = {u"http://B/"_s, u"/new"_s, true, u"exe"_s, {}, {}, false};
    EXPECT_TRUE(history.UpdateCurrentRecord(job));
    EXPECT_EQ(history.currentIndex(), 3);
    for (const QString& unknown : {u"http://c/"_s, u""_s, u"http://s/a/"_s, u"http://b"_s}) {
        job.url = unknown;
        EXPECT_FALSE(history.UpdateCurrentRecord(job)) << unknown.toStdString();
        EXPECT_EQ(history.currentIndex(), -1);
    }
    EXPECT_EQ(Records(history),
              (QStringList{u"http://s/|/dl|1|gif|me|pw|"_s, u"http://new/|/dl|1|gif|me|pw|"_s,
                           u"http://s/a/b.htm|/old|0|jpg|||"_s, u"http://b/|/new|1|exe|||"_s}));
}

// A job goes into the file and comes back from it; the line is written as it
// stands (a line without a "|" in its fields reads as it always did).
TEST_F(HistoryFile, JobsComeBackWholeWithABarInAnyField) {
    // URL, folder, all types, types, user, password; the line (the URL read back
    // is the text before its first "|")
    const std::pair<JobSettings, QByteArray> cases[] = {
        {{u"http://h/p"_s, u"/dl"_s, true, u"gif"_s, u"me"_s, u""_s}, "http://h/p|/dl|1|gif|me||"},
        {{u"http://h/p?a=1%7C"_s, u"C:\\d%25"_s, false, u"%"_s, u"\\"_s, u"%7C"_s},
         "http://h/p?a=1%7C|C:\\d%25|0|%|\\|%7C|"},
        {{u"http://h/p?q=a|b"_s, u"/d"_s, false, u"gif"_s, {}, {}},
         "http://h/p?q=a%7Cb|/d|0|gif|||"},
        {{u"http://h/"_s, u"/data/a|b"_s, false, u"gif,jpg"_s, u"alice"_s, u"ab|cd"_s},
         "http://h/|/data/a%7Cb|0|gif,jpg|alice|ab%7Ccd|%7C|"},
        {{u"u"_s, u"%7C|%25"_s, true, u"|"_s, u"|%|"_s, u"%"_s},
         "u|%257C%7C%2525|1|%7C|%7C%25%7C|%25|%7C|"}};
    for (const auto& [job, line] : cases) {
        UrlHistory history;
        history.AddUrl(job.url, job);
        ASSERT_TRUE(WriteHistoryFile(path, history, u"100"_s));
        EXPECT_EQ(QString::fromUtf8(test::ReadFileBytes(path)), QString::fromUtf8(line + "\r\n"));
        UrlHistory read;
        ASSERT_TRUE(ReadHistoryFile(path, read));
        const QString url = QString::fromUtf8(line.left(line.indexOf('|')));
        EXPECT_EQ(
            Loaded(read.LoadRecord(0)),
            Loaded(
                {url, job.directory, job.allTypes, job.fileTypes, job.userName, job.password, {}}))
            << line.toStdString();
    }
}

TEST(UrlHistory, LoadRecordAssignsTheFieldsEndedByABar) {
    const std::pair<QString, QString> cases[] = {
        {u"http://h/p|/dl|1|gif,jpg|me||"_s, u"http://h/p|/dl|1|gif,jpg|me|"_s},
        {u"u|d|x|t|me|pw|"_s, u"u|d|~|t|me|pw"_s},
        {u"u|d|0|t|me|pw|7th|tail"_s, u"u|d|0|t|me|pw"_s},
        {u"u|d|0|t|me|unended"_s, u"u|d|0|t|me|~"_s},
        {u"u|/a|b|0|gif|me|pw|"_s, u"u|/a|~|0|gif|me"_s}};
    for (const auto& [record, fields] : cases) {
        EXPECT_EQ(Loaded(Make({record}).LoadRecord(0)), fields);
    }
    EXPECT_EQ(Loaded(Make({u"u|d|0|t|me|pw|"_s}).LoadRecord(-1)), u"~|~|~|~|~|~"_s);
}

TEST_F(HistoryFile, ReadsLfAndCrLfLinesAndSkipsLinesWithoutABar) {
    ASSERT_TRUE(test::WriteFileBytes(
        path, "http://a/|/d|0|gif|||\r\nno bar\n\n|/e|1|jpg|||\nhttp://c/|x|"));
    UrlHistory history;
    ASSERT_TRUE(ReadHistoryFile(path, history));
    EXPECT_EQ(Records(history),
              (QStringList{u"http://a/|/d|0|gif|||"_s, u"|/e|1|jpg|||"_s, u"http://c/|x|"_s}));
    EXPECT_EQ(history.url(1), u""_s);
    EXPECT_FALSE(ReadHistoryFile(path + u".missing"_s, history));
}

// The file is readable by its owner only, when it is made and when it replaces
// a file that others could read.
TEST_F(HistoryFile, WritesOwnerOnlyCrLfLinesUpToTheLimit) {
    const UrlHistory history = Make({u"1|"_s, u"2|"_s, u"3|"_s, u"4|"_s, u"5|"_s});
    const std::pair<QString, int> cases[] = {{u"3"_s, 3},  {u"10"_s, 5},  {u"0"_s, 5},
                                             {u"-2"_s, 5}, {u"abc"_s, 5}, {u""_s, 5}};
    const QString made = dir.filePath(u"new/urls.txt"_s);
    for (const auto& [limit, lines] : cases) {
        ASSERT_TRUE(WriteHistoryFile(made, history, limit));
        EXPECT_EQ(test::ReadFileBytes(made),
                  QByteArray("1|\r\n2|\r\n3|\r\n4|\r\n5|\r\n").left(4 * lines))
            << limit.toStdString();
        EXPECT_EQ(QFile::permissions(made),
                  QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
        QFile::setPermissions(made, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther);
    }
}

TEST_F(HistoryFile, FailedWriteKeepsTheOldFile) {
    const QString folder = dir.path();
    ASSERT_TRUE(test::WriteFileBytes(path, "old\r\n"));
    const UrlHistory big = Make({u"http://a/|"_s + QString(500, u'x')});
    EXPECT_FALSE(WriteHistoryFile(folder, big, u"100"_s));  // the target is a folder
    // A file size limit makes the write itself fail, also for root.
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small{64, saved.rlim_max};
    signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &small);
    const bool wroteOld = WriteHistoryFile(path, big, u"100"_s);
    const bool wroteNew = WriteHistoryFile(folder + u"/new.txt"_s, big, u"100"_s);
    setrlimit(RLIMIT_FSIZE, &saved);
    EXPECT_FALSE(wroteOld || wroteNew);
    EXPECT_EQ(test::ReadFileBytes(path), QByteArray("old\r\n"));
    EXPECT_EQ(QDir(folder).entryList(QDir::Files), QStringList{u"urls.txt"_s});  // no leftovers
}

// urls.txt is replaced in one step: a writer killed at any moment leaves the
// earlier file or the new one, whole, and nothing beside it.
TEST_F(HistoryFile, AWriterKilledAtAnyMomentLeavesAWholeFile) {
    UrlHistory versions[2];
    QByteArray texts[2];
    for (const int v : {1, 0}) {
        for (int i = 0; i < 20000; ++i) {
            versions[v].append(u"http://h/%1/%2"_s.arg(v).arg(i), u"|d|0|gif|||"_s);
        }
        ASSERT_TRUE(WriteHistoryFile(path, versions[v], {}));
        texts[v] = test::ReadFileBytes(path);
    }
    int written[2];
    ASSERT_EQ(::pipe(written), 0);
    for (int round = 1; round <= 5; ++round) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);                // kill(-1) would hit every process of the user
        for (int i = 1; child == 0; ++i) {  // writes both by turns, saying so after each
            WriteHistoryFile(path, versions[i % 2], {});
            [[maybe_unused]] const ssize_t n = ::write(written[1], "w", 1);
        }
        char byte;
        for (int i = 0; i < round && ::read(written[0], &byte, 1) == 1; ++i) {
        }
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        const QByteArray now = test::ReadFileBytes(path);
        EXPECT_TRUE(now == texts[0] || now == texts[1]);
        EXPECT_EQ(test::FilesIn(dir.path()), QStringList{u"urls.txt"_s});
    }
    ::close(written[0]);
    ::close(written[1]);
}

}  // namespace
}  // namespace pg
