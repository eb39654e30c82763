#include "download/batch.h"
#include "download/error_log.h"
#include "fakes.h"
#include "support/test_bytes.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <cerrno>

using namespace Qt::StringLiterals;

namespace pg::test {
namespace {

// A batch over scripted answers; the files go to a folder that does not exist yet.
struct NamesAndLogTest : ::testing::Test {
    BatchReport run(const QStringList& urls, QList<Answer> answers, const QString& logPath) {
        transport.answers = std::move(answers);
        BatchServices services{transport, ui, ui, cancel, {}};
        BatchJob job;
        job.urls = urls;
        job.directory = files;
        job.errorLogPath = logPath;
        return RunBatch(services, job);
    }
    QTemporaryDir dir;
    QString files = dir.filePath(u"files"_s);
    QString log = dir.filePath(u"error.log"_s);
    FakeTransport transport;
    CancelRequest cancel;
    FakeUi ui{cancel, files};
};

TEST_F(NamesAndLogTest, ControlCharactersInANameBecomeUnderscores) {
    const std::pair<QString, QString> cases[] = {
        {u"http://h/a\x1b[31mb.bin"_s, u"/d/a_[31mb.bin"_s},
        {u"http://h/\t\x7f\u0080\u009f\u00a0\u00e9\0.bin"_s, u"/d/____\u00a0\u00e9_.bin"_s},
    };
    for (const auto& [url, path] : cases) {
        EXPECT_EQ(BatchTargetPath(u"/d"_s, url), path);
    }
}

TEST_F(NamesAndLogTest, NameTooLongFailsBeforeAnyRequestAndTheBatchGoesOn) {
    const QString fits = QString(251, u'a') + u".bin"_s;  // 255 bytes
    const QString tooLong = u"http://h/"_s + QString(252, u'a') + u".bin"_s;
    const QString wide = u"http://h/"_s + QString(126, u'\u00e9') + u".bin"_s;  // 256 bytes
    const QByteArray body = MakeTestBytes(100);
    const BatchReport report = run({tooLong, wide, u"http://h/"_s + fits}, {Partial(body, 0)}, log);
    EXPECT_EQ(transport.offsets.size(), 1);
    EXPECT_EQ(report.downloaded, 1);
    EXPECT_EQ(FilesIn(files), QStringList{fits});
    EXPECT_EQ(ReadFileBytes(log), (tooLong + u"\r\nError 36 : File name too long\r\n"_s + wide +
                                   u"\r\nError 36 : File name too long\r\n"_s)
                                      .toUtf8());
}

TEST_F(NamesAndLogTest, LogIsOwnerOnlyFromTheStartEvenWhenItExisted) {
    for (const bool existed : {false, true}) {
        if (existed) {
            ASSERT_TRUE(WriteFileBytes(log, "http://u:secret@h/old\r\n"));
            ASSERT_EQ(::chmod(QFile::encodeName(log).constData(), 0644), 0);
        }
        FileErrorLog file;
        ASSERT_EQ(file.create(log), 0);
        struct stat info = {};
        ASSERT_EQ(::stat(QFile::encodeName(log).constData(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0600u) << existed;
        EXPECT_EQ(info.st_size, 0);
    }
}

TEST_F(NamesAndLogTest, FailedLogWriteIsReported) {
    EXPECT_EQ(run({u"http://h/1"_s}, {{404}}, u"/dev/full"_s).logError, ENOSPC);
    EXPECT_EQ(run({u"http://h/1"_s}, {Partial("x", 0)}, u"/dev/full"_s).logError, 0);
    const BatchReport report = run({u"http://h/1"_s}, {{404}}, dir.path());
    EXPECT_FALSE(report.logCreated);
    EXPECT_EQ(report.logError, EISDIR);
}

}  // namespace
}  // namespace pg::test
