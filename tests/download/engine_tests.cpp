#include "download/engine.h"
#include "download/transfer_questions.h"
#include "fakes.h"
#include "support/test_bytes.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using Result = pg::TransferOutcome::Result;

namespace pg::test {
namespace {

using EngineTest = TransferTest;

// A file is asked for from byte 0; a 206, a 200, a 200 of length 0 and one
// without a length that ends cleanly all give it. One missing folder level is
// created, and exactly enough free space will do.
TEST_F(EngineTest, AnswersThatGiveTheWholeFile) {
    const std::tuple<Answer, QString, std::optional<qint64>, QByteArray> rows[] = {
        {ok, u"f.bin"_s, {}, file},
        {{200, file.size(), {}, file}, u"new/f.bin"_s, file.size(), file},
        {{200, 0}, u"empty"_s, {}, ""},
        {{200, -1, {}, file}, u"unknown"_s, {}, file}};
    for (const auto& [answer, name, space, content] : rows) {
        target = dir.filePath(name);
        freeBytes = space;
        EXPECT_TRUE(download({answer}).completed()) << name.toStdString();
        EXPECT_EQ(ReadFileBytes(target), content);
        EXPECT_EQ(transport.requests.at(0).offset, 0);
    }
    EXPECT_EQ(FilesIn(dir.path()), (QStringList{u"empty"_s, u"f.bin"_s, u"new"_s, u"unknown"_s}));
}

// A retry asks for the rest from 4096 bytes before the last byte written.
TEST_F(EngineTest, RetryResumesWithAnOverlap) {
    for (const auto& [cut, from] : {std::pair<qint64, qint64>{10000, 5904}, {3000, 0}}) {
        ui.shown.clear();
        ui.retryAnswers = {true};
        EXPECT_TRUE(download({Partial(file, 0, cut), Partial(file, from)}).completed());
        EXPECT_EQ(ReadFileBytes(target), file);
        EXPECT_EQ(FilesIn(dir.path()), QStringList{u"f.bin"_s});  // no part file left
        EXPECT_EQ(transport.requests.at(1).offset, from);
        EXPECT_EQ(ui.shown, (QStringList{u"Getting file information..."_s, u"Saving:"_s,
                                         QuestionText::IncompleteTitle, u"Resuming download..."_s,
                                         u"Saving:"_s, u"Download completed!"_s}));
    }
}

// The whole file, or a part that starts elsewhere, is no resume: the part is
// deleted; No fails the file, Yes starts it over.
TEST_F(EngineTest, UntrustedResumeAnswerDeletesThePartAndAsksToStartOver) {
    const Answer whole{200, file.size(), {}, file};
    const Answer elsewhere{206, file.size(), ContentRange{0, file.size() - 1, file.size()}, file};
    for (const auto& [answer, startOver] :
         {std::pair{whole, false}, {whole, true}, {elsewhere, false}, {elsewhere, true}}) {
        QFile::remove(target);
        ui.retryAnswers = {true};
        ui.resumeAnswers = {startOver};
        const TransferOutcome outcome = download({Partial(file, 0, 10000), answer, ok});
        EXPECT_EQ(outcome.logMessage, startOver ? QString() : u"Unable to resume download."_s);
        EXPECT_EQ(ReadFileBytes(target), startOver ? file : "<missing>");
        EXPECT_EQ(FilesIn(dir.path()).size(), startOver ? 1 : 0);
        // A 200 is taken as the fresh answer; a part from elsewhere is asked for again.
        EXPECT_EQ(transport.requests.size(), 2 + (startOver && answer.status == 206));
    }
}

// A part file that a killed run left is resumed while the server still has its
// version, else replaced without a question; the target's other part files go,
// another target's stay.
TEST_F(EngineTest, PartFileLeftByAKilledRunIsResumedOrReplaced) {
    Answer resumed = Partial(file, 5904), changed{200, file.size(), {}, file};
    resumed.validator = "\"A\"";  // ".f.bin.IkEi.pgpart" holds it
    const std::tuple<QString, Answer, qint64> rows[] = {{u".f.bin.IkEi.pgpart"_s, resumed, 5904},
                                                        {u".f.bin.IkEi.pgpart"_s, changed, 5904},
                                                        {u".f.bin..pgpart"_s, ok, 0}};
    for (const auto& [leftover, answer, offset] : rows) {
        for (const QString& name : {leftover, u".f.bin.Ab12Cd.pgpart"_s, u".f.bin.x..pgpart"_s}) {
            ASSERT_TRUE(WriteFileBytes(dir.filePath(name), file.first(10000)));
        }
        QFile::remove(target);
        EXPECT_TRUE(download({answer}).completed());
        EXPECT_EQ(ReadFileBytes(target), file);
        EXPECT_EQ(transport.requests.at(0).offset, offset);
        EXPECT_EQ(transport.requests.at(0).ifRange, offset > 0 ? resumed.validator : "");
        EXPECT_EQ(FilesIn(dir.path()), (QStringList{u".f.bin.x..pgpart"_s, u"f.bin"_s}));
    }
    EXPECT_FALSE(ui.shown.contains(QuestionText::ResumeTitle));
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
        EXPECT_EQ(std::tuple(outcome.result, outcome.logMessage, outcome.stopBatch),
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
        EXPECT_TRUE(outcome.logMessage.isEmpty() && FilesIn(dir.path()).isEmpty());
    }
    EXPECT_EQ(ui.shown.count(QuestionText::IncompleteTitle), 1);  // the broken one asked
}

}  // namespace
}  // namespace pg::test
