#include "history/history_store.h"

#include "history/url_history.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace pg {
namespace {

class HistoryStoreTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }

    QString path(const QString& name = u"urls.txt"_s) const { return dir_.filePath(name); }

    static void WriteBytes(const QString& file, const QByteArray& bytes) {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(f.write(bytes), bytes.size());
    }

    static QByteArray ReadBytes(const QString& file) {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }

    static mode_t Mode(const QString& file) {
        struct stat st {};
        EXPECT_EQ(::stat(QFile::encodeName(file).constData(), &st), 0);
        return st.st_mode & 07777;
    }

    static UrlHistory Numbered(int n) {
        UrlHistory history;
        for (int i = 1; i <= n; ++i) {
            history.append(u"http://h/%1"_s.arg(i), u"|/d|0|||p%1|"_s.arg(i));
        }
        return history;
    }

    QTemporaryDir dir_;
};

TEST_F(HistoryStoreTest, WritesNewestFirstUpToLimitWithCrLf) {
    ASSERT_TRUE(WriteHistoryFile(path(), Numbered(5), u"3"_s));
    EXPECT_EQ(ReadBytes(path()),
              "http://h/1|/d|0|||p1|\r\nhttp://h/2|/d|0|||p2|\r\nhttp://h/3|/d|0|||p3|\r\n");
}

TEST_F(HistoryStoreTest, MaxThatIsNotAPositiveNumberWritesAll) {
    for (const QString& max : {u""_s, u"0"_s, u"-3"_s, u"abc"_s, u"2.5"_s, u"70000"_s}) {
        ASSERT_TRUE(WriteHistoryFile(path(), Numbered(5), max)) << max.toStdString();
        EXPECT_EQ(ReadBytes(path()).count("\r\n"), 5) << max.toStdString();
    }
    ASSERT_TRUE(WriteHistoryFile(path(), Numbered(2), u"10"_s));
    EXPECT_EQ(ReadBytes(path()).count("\r\n"), 2);
}

TEST_F(HistoryStoreTest, ReadsLfAndCrLfSkipsLinesWithoutBarKeepsDuplicates) {
    WriteBytes(path(),
               "http://a/|/d|1|*.zip|u||\n"
               "\n"
               "no bar here\r\n"
               "http://b/|/e|0||||\r\n"
               "http://a/|/d|1|*.zip|u||\n"
               "|/empty/url|0||||\n"
               "http://last/|/f|0||||");  // truncated: no line end
    UrlHistory history;
    ASSERT_TRUE(ReadHistoryFile(path(), history));
    ASSERT_EQ(history.count(), 5);
    EXPECT_EQ(history.url(0), u"http://a/"_s);
    EXPECT_EQ(history.rest(0), u"|/d|1|*.zip|u||"_s);
    EXPECT_EQ(history.recordText(1), u"http://b/|/e|0||||"_s);
    EXPECT_EQ(history.recordText(2), history.recordText(0));
    EXPECT_EQ(history.url(3), QString());
    EXPECT_EQ(history.rest(3), u"|/empty/url|0||||"_s);
    EXPECT_EQ(history.recordText(4), u"http://last/|/f|0||||"_s);
}

TEST_F(HistoryStoreTest, RoundTripIsByteForByte) {
    const QByteArray text =
        "http://h/dir/page.htm|/home/anna/dl|1|*.zip *.pdf|anna||\r\n"
        "http://ü.example/ä|/tmp/x y|2|||p w|\r\n";
    WriteBytes(path(u"in.txt"_s), text);
    UrlHistory history;
    ASSERT_TRUE(ReadHistoryFile(path(u"in.txt"_s), history));
    ASSERT_TRUE(WriteHistoryFile(path(), history, u"10"_s));
    EXPECT_EQ(ReadBytes(path()), text);
}

TEST_F(HistoryStoreTest, MissingFileLeavesHistoryEmpty) {
    UrlHistory history;
    EXPECT_FALSE(ReadHistoryFile(path(u"absent.txt"_s), history));
    EXPECT_FALSE(ReadHistoryFile(dir_.path(), history));
    EXPECT_EQ(history.count(), 0);
}

TEST_F(HistoryStoreTest, GarbageKeepsReadableRecords) {
    QByteArray garbage(64 * 1024, '\0');
    QRandomGenerator random(20240611);
    for (char& c : garbage) {
        c = static_cast<char>(random.bounded(256));
    }
    garbage[100] = '\0';
    WriteBytes(path(), "http://a/|/d|0||||\r\nhttp://b/|/e|1||||\n" + garbage +
                           "\nhttp://z/|/z|0||||\n\xff\xfe|\xc3|");
    UrlHistory history;
    ASSERT_TRUE(ReadHistoryFile(path(), history));
    ASSERT_GE(history.count(), 4);
    EXPECT_EQ(history.recordText(0), u"http://a/|/d|0||||"_s);
    EXPECT_EQ(history.recordText(1), u"http://b/|/e|1||||"_s);
    const int last = history.count() - 1;
    EXPECT_EQ(history.recordText(last - 1), u"http://z/|/z|0||||"_s);
    // Invalid UTF-8 is replaced, not dropped.
    EXPECT_EQ(history.url(last), u"\ufffd\ufffd"_s);
    EXPECT_EQ(history.rest(last), u"|\ufffd|"_s);
}

TEST_F(HistoryStoreTest, FailureUnderRegularFileLeavesItAlone) {
    WriteBytes(path(u"plain"_s), "old contents");
    EXPECT_FALSE(WriteHistoryFile(path(u"plain/urls.txt"_s), Numbered(2), u"10"_s));
    EXPECT_FALSE(WriteHistoryFile(path(u"plain/sub/urls.txt"_s), Numbered(2), u"10"_s));
    EXPECT_EQ(ReadBytes(path(u"plain"_s)), "old contents");
}

TEST_F(HistoryStoreTest, FileIsOwnerOnlyWhateverTheUmask) {
    const mode_t oldMask = ::umask(0);
    const bool written = WriteHistoryFile(path(), Numbered(1), u"10"_s);
    ::umask(oldMask);
    ASSERT_TRUE(written);
    EXPECT_EQ(Mode(path()), 0600u);

    WriteBytes(path(u"shared.txt"_s), "http://old/|||||\r\n");
    ASSERT_EQ(::chmod(QFile::encodeName(path(u"shared.txt"_s)).constData(), 0644), 0);
    ASSERT_TRUE(WriteHistoryFile(path(u"shared.txt"_s), Numbered(1), u"10"_s));
    EXPECT_EQ(Mode(path(u"shared.txt"_s)), 0600u);
    EXPECT_EQ(ReadBytes(path(u"shared.txt"_s)), "http://h/1|/d|0|||p1|\r\n");

    // No temporary file is left beside the history.
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden | QDir::System),
              QStringList({u"shared.txt"_s, u"urls.txt"_s}));
}

}  // namespace
}  // namespace pg
