#include "download/engine.h"
#include "download/transfer_questions.h"
#include "fakes.h"
#include "support/test_bytes.h"

#include "download/part_file.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using Result = pg::TransferOutcome::Result;

namespace pg::test {
namespace {

using EngineTest = TransferTest;

// A file is asked for from byte 0; a 206, a 200, a 200 of length 0 and one
// without a length that ends cleanly all give it. One missing folder level is
// created, and exactly enough free space will do. A retry asks for the rest
// from 4096 bytes before the last byte written, and leaves no part file.
TEST_F(EngineTest, AnswersThatGiveTheWholeFile) {
    const QStringList shown{u"Getting file information..."_s, u"Saving:"_s},
        resumed{QuestionText::IncompleteTitle, u"Resuming download..."_s, u"Saving:"_s};
    // answers, target, free space, the offsets asked for
    const std::tuple<QList<Answer>, QString, std::optional<qint64>, QList<qint64>> rows[] = {
        {{ok}, u"f.bin"_s, {}, {0}},
        {{{200, file.size(), {}, file}}, u"new/f.bin"_s, file.size(), {0}},
        {{{200, 0}}, u"empty"_s, {}, {0}},
        {{{200, -1, {}, file}}, u"unknown"_s, {}, {0}},
        {{Partial(file, 0, 10000), Partial(file, 5904)}, u"resumed"_s, {}, {0, 5904}},
        {{Partial(file, 0, 3000), ok}, u"restarted"_s, {}, {0, 0}}};
    for (const auto& [answers, name, space, offsets] : rows) {
        target = dir.filePath(name);
        freeBytes = space;
        ui.shown.clear();
        ui.retryAnswers = {true};
        EXPECT_TRUE(download(answers).completed()) << name.toStdString();
        EXPECT_EQ(ReadFileBytes(target), name == u"empty"_s ? "" : file);
        QList<qint64> asked;
        for (const TransferRequest& request : transport.requests) {
            asked.append(request.offset);
        }
        EXPECT_EQ(asked, offsets);
        EXPECT_EQ(ui.shown, shown + (offsets.size() > 1 ? resumed : QStringList()) +
                                QStringList{u"Download completed!"_s});
    }
    EXPECT_EQ(FilesIn(dir.path()), (QStringList{u"empty"_s, u"f.bin"_s, u"new"_s, u"restarted"_s,
                                                u"resumed"_s, u"unknown"_s}));
}

// A part file of ours (owner-only) for the URL, as a killed run leaves it.
bool PlantPart(const QString& path, const QByteArray& bytes) {
    return WriteFileBytes(path, bytes) && ::chmod(QFile::encodeName(path).constData(), 0600) == 0;
}

// A part file that a killed run left for the URL is resumed while the server
// still has its version, else replaced without a question; one without a
// validator goes. Those of another URL or another target stay.
TEST_F(EngineTest, PartFileLeftByAKilledRunIsResumedOrReplaced) {
    const QString url = u"http://host/f.bin"_s, ofA = PartFilePath(target, url, "\"A\"");
    Answer resumed = Partial(file, 5904, -1, "\"A\""), changed{200, file.size(), {}, file};
    const std::tuple<QString, Answer, qint64> rows[] = {
        {ofA, resumed, 5904}, {ofA, changed, 5904}, {PartFilePath(target, url, {}), ok, 0}};
    const QString otherUrl = PartFilePath(target, u"http://host/b/f.bin"_s, "\"A\""),
                  otherTarget = PartFilePath(target + u".x"_s, url, "\"A\"");
    for (const auto& [leftover, answer, offset] : rows) {
        for (const QString& path : {leftover, otherUrl, otherTarget}) {
            ASSERT_TRUE(PlantPart(path, file.first(10000)));
        }
        QFile::remove(target);
        EXPECT_TRUE(download({answer}).completed());
        EXPECT_EQ(ReadFileBytes(target), file);
        EXPECT_EQ(transport.requests.at(0).offset, offset);
        EXPECT_EQ(transport.requests.at(0).ifRange, offset > 0 ? resumed.validator : "");
        EXPECT_EQ(FilesIn(dir.path()),
                  (QStringList{QFileInfo(otherUrl).fileName(), QFileInfo(otherTarget).fileName(),
                               u"f.bin"_s}));
    }
    EXPECT_FALSE(ui.shown.contains(QuestionText::ResumeTitle));
}

// Only a part of the same version, named by a strong validator, is joined; a
// refused range ends a part file that is too long, or an empty file; a file
// whose length the server leaves open ("/*") is whole only when the server
// names where it ends. The whole file, or a part that starts elsewhere, is no
// resume: the part is deleted; No fails the file, Yes starts it over.
TEST_F(EngineTest, OnlyPartsOfTheSameVersionMakeTheFile) {
    const QByteArray file2 = MakeTestBytes(20000, 2), v1 = "\"v1\"", v2 = "\"v2\"";
    const auto refused = [](qint64 length, const QByteArray& body = {}) {
        return Answer{416, body.size(), ContentRange{-1, -1, length}, body};
    };
    // A part of unknown complete length, cut after `cut` bytes when that is given.
    const auto openEnded = [&](qint64 from, qint64 last, qint64 cut = -1,
                               const QByteArray& validator = "\"v1\"") {
        const QByteArray body = file.mid(from, (cut < 0 ? last + 1 : cut) - from);
        return Answer{206, last + 1 - from, ContentRange{from, last, -1}, body, cut >= 0,
                      {},  validator};
    };
    const Answer cut = Partial(file, 0, 10000), weak{200, file.size(), {}, file.first(10000), true},
                 whole{200, file.size(), {}, file},
                 elsewhere{206, file.size(), ContentRange{0, file.size() - 1, file.size()}, file};
    struct Row {
        const char* name;
        QList<Answer> answers;
        QList<qint64> offsets;  // of the requests made
        QByteArray content;     // at the target in the end
        Result result = Result::Completed;
        QString message{};
        bool retry = true;    // the answer to "Download Incomplete"
        bool restart = true;  // the answer to "continue anyway" when a resume gets no part
        qint64 leftover = 0;  // bytes of a part file left for version v1
    };
    // clang-format off
    const Row rows[] = {
        {"weak ETag: the retry asks for all", {weak, Partial(file2, 0, -1, {})}, {0, 0}, file2},
        {"a part of another version", {cut, Partial(file2, 5904, -1, v2), Partial(file2, 0, -1, v2)},
         {0, 5904, 0}, file2},
        {"a part without the validator",
         {cut, Partial(file2, 5904, -1, {}), Partial(file2, 0, -1, {})}, {0, 5904, 0}, file2},
        {"the whole file to a resume", {cut, whole, ok}, {0, 5904}, file},
        {"the whole file to a resume, no restart", {cut, whole, ok}, {0, 5904}, "<missing>",
         Result::Failed, u"Unable to resume download."_s, true, false},
        {"a part from elsewhere", {cut, elsewhere, ok}, {0, 5904, 0}, file},
        {"a part from elsewhere, no restart", {cut, elsewhere, ok}, {0, 5904}, "<missing>",
         Result::Failed, u"Unable to resume download."_s, true, false},
        {"a leftover longer than the file", {refused(20000), ok}, {25904, 0}, file,
         Result::Completed, {}, false, true, 30000},
        {"*/0", {refused(0)}, {0}, ""},
        {"*/0 with a body", {refused(0, "<p>No</p>")}, {0}, ""},
        {"*/0 to a resume", {cut, refused(0)}, {0, 5904}, ""},
        {"*/0 with a body to a resume", {cut, refused(0, "<p>No</p>")}, {0, 5904}, ""},
        {"/* and the rest", {openEnded(0, 9999), Partial(file, 10000)}, {0, 10000}, file},
        {"/* until */N", {openEnded(0, 9999), openEnded(10000, 19999), refused(20000)},
         {0, 10000, 20000}, file},
        {"/* broken", {openEnded(0, 9999), openEnded(10000, 19999, 15000)}, {0, 10000},
         "<missing>", Result::Incomplete, {}, false},
        {"/* without the length", {openEnded(0, 9999), {416}}, {0, 10000}, "<missing>",
         Result::Failed, u"The server did not tell where the file ends."_s},
        {"/* without a validator", {openEnded(0, 9999, -1, {})}, {0}, "<missing>",
         Result::Failed,
         u"The server sent the file in parts without identifying its version."_s}};
    // clang-format on
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QFile::remove(target);
        if (row.leftover > 0) {
            ASSERT_TRUE(PlantPart(PartFilePath(target, u"http://host/f.bin"_s, v1),
                                  MakeTestBytes(row.leftover, 3)));
        }
        ui.retryAnswers = {row.retry};
        ui.resumeAnswers = {row.restart};
        const TransferOutcome outcome = download(row.answers);
        EXPECT_EQ(std::pair(outcome.result, LogMessage(outcome)),
                  std::pair(row.result, row.message));
        EXPECT_EQ(ReadFileBytes(target), row.content);
        QList<qint64> offsets;
        for (const TransferRequest& request : transport.requests) {
            offsets.append(request.offset);
            // No range past byte 0 without the version it continues.
            EXPECT_TRUE(request.offset == 0 || !request.ifRange.isEmpty()) << request.offset;
        }
        EXPECT_EQ(offsets, row.offsets);
        EXPECT_EQ(FilesIn(dir.path()).size(), row.result == Result::Completed);
    }
}

// Nothing at the part file's name is taken over, written, deleted or followed
// unless it is a part file of ours: the transfer starts afresh under a free
// name, owner-only while it lasts, and the file gets the umask's mode.
TEST_F(EngineTest, WhatElseStandsAtThePartFilesNameIsLeftAlone) {
    QTemporaryDir elsewhere;
    const QString secret = elsewhere.filePath(u"secret"_s);
    const QByteArray other = QFile::encodeName(secret), foreign = MakeTestBytes(30000, 7);
    const auto plant = [&](const QByteArray& path, mode_t mode) {
        return WriteFileBytes(QFile::decodeName(path), foreign) && ::chmod(path, mode) == 0;
    };
    using Make = std::function<bool(const QByteArray&)>;
    const std::pair<const char*, Make> rows[] = {
        {"writable by others", [&](const QByteArray& p) { return plant(p, 0666); }},
        {"a second name",
         [&](const QByteArray& p) { return plant(p, 0600) && ::link(p, other) == 0; }},
        {"a symbolic link",
         [&](const QByteArray& p) { return plant(other, 0600) && ::symlink(other, p) == 0; }},
        {"a FIFO", [](const QByteArray& p) { return ::mkfifo(p, 0666) == 0; }},
        // Only root can give a file to another user.
        {"another user's file", ::geteuid() != 0 ? Make() : [&](const QByteArray& p) {
             return plant(p, 0644) && ::chown(p, 54321, 54321) == 0;
         }}};
    const QString planted = PartFilePath(target, u"http://host/f.bin"_s, "\"v1\"");
    for (const auto& [name, make] : rows) {
        SCOPED_TRACE(name);
        for (const QString& left : FilesIn(dir.path())) {
            QFile::remove(dir.filePath(left));
        }
        QFile::remove(secret);
        if (!make) {
            continue;
        }
        ASSERT_TRUE(make(QFile::encodeName(planted)));
        struct stat before = {}, after = {};
        ASSERT_EQ(::lstat(QFile::encodeName(planted).constData(), &before), 0);
        const QByteArray content = S_ISREG(before.st_mode) ? ReadFileBytes(planted) : "";
        mode_t partMode = 0;
        ui.onProgress = [&] {
            for (const QString& part : FilesIn(dir.path()).filter(u".pgpart"_s)) {
                struct stat info = {};
                if (dir.filePath(part) != planted &&
                    ::stat(QFile::encodeName(dir.filePath(part)).constData(), &info) == 0) {
                    partMode = info.st_mode & 07777;
                }
            }
        };
        // A FIFO must not hold the transfer (a blocking open would hang here).
        const mode_t umask = ::umask(027);
        const TransferOutcome outcome = download({ok});
        ::umask(umask);
        EXPECT_TRUE(outcome.completed());
        EXPECT_EQ(transport.requests.at(0).offset, 0);
        EXPECT_EQ(ReadFileBytes(target), file);
        EXPECT_EQ(partMode, 0600);
        ASSERT_EQ(::lstat(QFile::encodeName(target).constData(), &after), 0);
        EXPECT_EQ(std::pair(after.st_mode & 07777, after.st_uid), std::pair(0640u, ::geteuid()));
        ASSERT_EQ(::lstat(QFile::encodeName(planted).constData(), &after), 0);
        EXPECT_EQ(std::tuple(after.st_ino, after.st_mode, after.st_uid, after.st_nlink),
                  std::tuple(before.st_ino, before.st_mode, before.st_uid, before.st_nlink));
        EXPECT_EQ(S_ISREG(after.st_mode) ? ReadFileBytes(planted) : "", content);
        EXPECT_EQ(FilesIn(dir.path()), (QStringList{QFileInfo(planted).fileName(), u"f.bin"_s}));
        EXPECT_EQ(ReadFileBytes(secret), QFileInfo::exists(secret) ? foreign : "<missing>");
    }
}

// Each failure has its log line and says whether the batch must stop; none
// asks a question, writes a byte or touches an earlier file.
TEST_F(EngineTest, FailureIsLoggedAndLeavesAnEarlierFileAlone) {
    const Answer refused{.failure = TransferError{7, u"No"_s, true}},
        timedOut{.failure = TransferError{28, u"Timeout was reached"_s, false}};
    const std::tuple<Answer, QString, std::optional<qint64>, QString, bool> rows[] = {
        {{204}, u"f.bin"_s, {}, u"Nothing to download."_s, false},
        {{401}, u"f.bin"_s, {}, u"Authorization failed."_s, true},
        {{404}, u"f.bin"_s, {}, u"File was not found."_s, false},
        {{500}, u"f.bin"_s, {}, u"Unexpected error has occurred."_s, true},
        {refused, u"f.bin"_s, {}, u"Unable to connect."_s, true},
        {timedOut, u"f.bin"_s, {}, u"Error 28 : Timeout was reached"_s, false},
        {ok, u"f.bin"_s, file.size() - 1, u"Insufficient disk space."_s, true},
        // Only one missing folder level is created; a URL ending in "/" names no file.
        {ok, u"a/b/f.bin"_s, {}, u"Error 2 : No such file or directory"_s, false},
        {ok, {}, {}, u"Error 21 : Is a directory"_s, false}};
    ASSERT_TRUE(WriteFileBytes(target, "earlier"));
    for (const auto& [answer, name, space, message, stopBatch] : rows) {
        target = dir.filePath(name);
        freeBytes = space;
        const TransferOutcome outcome = download({answer});
        EXPECT_EQ(std::tuple(outcome.result, LogMessage(outcome), outcome.stopBatch),
                  std::tuple(Result::Failed, message, stopBatch));
        EXPECT_EQ(ReadFileBytes(dir.filePath(u"f.bin"_s)), "earlier");
        EXPECT_EQ(FilesIn(dir.path()), QStringList{u"f.bin"_s});
    }
    EXPECT_EQ(ui.updates, 0);
    EXPECT_TRUE(ui.shown.filter(u"Download"_s).isEmpty());  // no question, never completed
}

// A cancel, or a declined retry of a broken transfer, ends the file without a
// log line and leaves nothing.
TEST_F(EngineTest, CancelOrDeclinedRetryLeavesNothing) {
    const std::tuple<Answer, qint64, bool, Result> rows[] = {
        {ok, 5000, false, Result::Cancelled},
        {ok, 5000, true, Result::Cancelled},
        // Without a length only a clean end completes the file.
        {{200, -1, {}, file, true}, -1, false, Result::Incomplete}};
    for (const auto& [answer, cancelAt, all, result] : rows) {
        cancel = {};
        ui.cancelAt = cancelAt;
        ui.cancelAll = all;
        const TransferOutcome outcome = download({answer});
        EXPECT_EQ(std::pair(outcome.result, outcome.stopBatch), std::pair(result, all));
        EXPECT_TRUE(LogMessage(outcome).isEmpty() && FilesIn(dir.path()).isEmpty());
    }
    EXPECT_EQ(ui.shown.count(QuestionText::IncompleteTitle), 1);  // the broken one asked
}

}  // namespace
}  // namespace pg::test
