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

class EngineTest : public ::testing::Test {
protected:
    TransferOutcome run(QList<Answer> answers) {
        transport.answers = std::move(answers);
        transport.offsets.clear();
        transport.requests.clear();
        TransferContext context{
            transport, ui, ui, cancel, 80, 60, [this](const QString&) { return freeBytes; }, {}};
        return DownloadFile(context, {u"http://host/f.bin"_s, target, 1, 1}, {});
    }
    void expectCompleted(const TransferOutcome& outcome) {
        EXPECT_EQ(outcome.result, Result::Completed) << outcome.logMessage.toStdString();
        EXPECT_EQ(ReadFileBytes(target), file);
        EXPECT_EQ(FilesIn(dir.path()), QStringList{u"f.bin"_s});  // no part file left
    }

    void expectFailed(const TransferOutcome& outcome, const QString& message, bool stopBatch) {
        EXPECT_EQ(outcome.result, Result::Failed);
        EXPECT_EQ(outcome.logMessage, message);
        EXPECT_EQ(outcome.stopBatch, stopBatch);
    }

    QTemporaryDir dir;
    QString target = dir.filePath(u"f.bin"_s);
    const QByteArray file = MakeTestBytes(20000);
    FakeTransport transport;
    CancelRequest cancel;
    FakeUi ui{cancel, dir.path()};
    std::optional<qint64> freeBytes;
};

TEST_F(EngineTest, FreshRequestAsksFromByteZeroAndTakes206Or200) {
    for (const Answer& answer : {Partial(file, 0), Answer{200, file.size(), {}, file}}) {
        expectCompleted(run({answer}));
        EXPECT_EQ(transport.offsets, QList<qint64>{0});
    }
}

// A retry asks for the rest from 4096 bytes before the last byte written.
class ResumeTest : public EngineTest, public ::testing::WithParamInterface<QList<qint64>> {};

TEST_P(ResumeTest, RetryResumesWithOverlapAndKeepsTheFirstLength) {
    const qint64 cut = GetParam()[0], from = GetParam()[1];
    ui.retryAnswers = {true};
    Answer rest = Partial(file, from);
    rest.length = 1;  // only the first answer's length counts
    expectCompleted(run({Partial(file, 0, cut), rest}));
    EXPECT_EQ(transport.offsets, (QList<qint64>{0, from}));
    EXPECT_EQ(ui.shown, (QStringList{u"Getting file information..."_s, u"Saving:"_s,
                                     QuestionText::IncompleteTitle, u"Resuming download..."_s,
                                     u"Saving:"_s, u"Download completed!"_s}));
}

INSTANTIATE_TEST_SUITE_P(Cuts, ResumeTest,
                         ::testing::Values(QList<qint64>{10000, 5904}, QList<qint64>{3000, 0}));

TEST_F(EngineTest, UntrustedResumeAnswerDeletesThePartAndAsksToStartOver) {
    // The whole file, or a part that starts elsewhere; No fails, Yes starts over.
    const Answer whole{200, file.size(), {}, file};
    const Answer elsewhere{206, file.size(), ContentRange{0, file.size() - 1, file.size()}, file};
    const std::tuple<Answer, bool, QList<qint64>> rows[] = {{whole, false, {0, 5904}},
                                                            {whole, true, {0, 5904}},
                                                            {elsewhere, false, {0, 5904}},
                                                            {elsewhere, true, {0, 5904, 0}}};
    for (const auto& [answer, startOver, offsets] : rows) {
        QFile::remove(target);
        ui.retryAnswers = {true};
        ui.resumeAnswers = {startOver};
        const TransferOutcome outcome = run({Partial(file, 0, 10000), answer, Partial(file, 0)});
        EXPECT_EQ(transport.offsets, offsets);
        EXPECT_TRUE(ui.filesAtResumeQuestion.isEmpty());
        if (startOver) {
            expectCompleted(outcome);
        } else {
            expectFailed(outcome, u"Unable to resume download."_s, false);
            EXPECT_TRUE(FilesIn(dir.path()).isEmpty());
        }
    }
}

// A part that ends where its range ends is followed at once by a request for
// the rest, naming the version it continues; one short of its range is broken.
TEST_F(EngineTest, PartialAnswersAreFollowedAtOnceForTheRest) {
    QList<Answer> parts = {Partial(file, 0, -1, 1000), Partial(file, 1000, -1, 15000),
                           Partial(file, 15000)};
    parts[0].validator = "\"A\"";
    expectCompleted(run(parts));
    EXPECT_EQ(transport.offsets, (QList<qint64>{0, 1000, 15000}));
    EXPECT_EQ(transport.requests.at(2).ifRange, "\"A\"");
    parts[0].body.chop(1);
    EXPECT_EQ(run({parts[0]}).result, Result::Incomplete);  // the question came, declined
}

// A part file that a killed run left is resumed while the server still has its
// version, else replaced without a question; the target's other part files go,
// another target's stay.
TEST_F(EngineTest, PartFileLeftByAKilledRunIsResumedOrReplaced) {
    Answer resumed = Partial(file, 5904), changed{200, file.size(), {}, file};
    resumed.validator = "\"A\"";  // ".f.bin.IkEi.pgpart" holds it
    const std::tuple<QString, Answer, qint64> rows[] = {{u".f.bin.IkEi.pgpart"_s, resumed, 5904},
                                                        {u".f.bin.IkEi.pgpart"_s, changed, 5904},
                                                        {u".f.bin..pgpart"_s, Partial(file, 0), 0}};
    for (const auto& [leftover, answer, offset] : rows) {
        for (const QString& name : {leftover, u".f.bin.Ab12Cd.pgpart"_s, u".f.bin.x..pgpart"_s}) {
            ASSERT_TRUE(WriteFileBytes(dir.filePath(name), file.first(10000)));
        }
        QFile::remove(target);
        EXPECT_TRUE(run({answer}).completed());
        EXPECT_EQ(ReadFileBytes(target), file);
        EXPECT_EQ(transport.requests.at(0).offset, offset);
        EXPECT_EQ(transport.requests.at(0).ifRange, offset > 0 ? resumed.validator : "");
        EXPECT_EQ(FilesIn(dir.path()), (QStringList{u".f.bin.x..pgpart"_s, u"f.bin"_s}));
    }
    EXPECT_FALSE(ui.shown.contains(QuestionText::ResumeTitle));
}

TEST_F(EngineTest, FailureIsLoggedAndLeavesAnEarlierFileAlone) {
    const std::tuple<Answer, QString, bool> rows[] = {
        {{204}, u"Nothing to download."_s, false},
        {{401}, u"Authorization failed."_s, true},
        {{404}, u"File was not found."_s, false},
        {{500}, u"Unexpected error has occurred."_s, true},
        {{.failure = TransferError{7, u"Couldn't connect"_s, true}}, u"Unable to connect."_s, true},
        {{.failure = TransferError{28, u"Timeout was reached"_s, false}},
         u"Error 28 : Timeout was reached"_s,
         false}};
    ASSERT_TRUE(WriteFileBytes(target, "earlier"));
    for (const auto& [answer, message, stopBatch] : rows) {
        expectFailed(run({answer}), message, stopBatch);
        EXPECT_EQ(ReadFileBytes(target), "earlier");
        EXPECT_EQ(FilesIn(dir.path()), QStringList{u"f.bin"_s});
    }
    EXPECT_TRUE(ui.shown.filter(u"Download"_s).isEmpty());  // no question, never completed
}

// A length of 0 gives an empty file; no length at all reads until the end.
TEST_F(EngineTest, UnannouncedLengthIsSavedOnlyAfterACleanEnd) {
    EXPECT_TRUE(run({Answer{200, 0}}).completed());
    EXPECT_EQ(ReadFileBytes(target), QByteArray(""));
    expectCompleted(run({Answer{200, -1, {}, file}}));
    ASSERT_TRUE(QFile::remove(target));
    const TransferOutcome broken = run({Answer{200, -1, {}, file, true}});
    EXPECT_EQ(broken.result, Result::Incomplete);  // the retry was declined
    EXPECT_TRUE(broken.logMessage.isEmpty());
    EXPECT_FALSE(broken.stopBatch);
    EXPECT_TRUE(ui.shown.contains(QuestionText::IncompleteTitle));
    EXPECT_TRUE(FilesIn(dir.path()).isEmpty());
}

TEST_F(EngineTest, CancelDeletesThePartAndLogsNothing) {
    for (const bool all : {false, true}) {
        cancel = {};
        ui.cancelAt = 5000;
        ui.cancelAll = all;
        const TransferOutcome outcome = run({Partial(file, 0)});
        EXPECT_EQ(outcome.result, Result::Cancelled);
        EXPECT_EQ(outcome.stopBatch, all);
        EXPECT_TRUE(outcome.logMessage.isEmpty());
        EXPECT_TRUE(FilesIn(dir.path()).isEmpty());
    }
    EXPECT_FALSE(ui.shown.contains(QuestionText::IncompleteTitle));
}

TEST_F(EngineTest, TooLittleFreeSpaceFailsBeforeAnyByteIsWritten) {
    freeBytes = file.size() - 1;
    expectFailed(run({Partial(file, 0)}), u"Insufficient disk space."_s, true);
    EXPECT_EQ(ui.updates, 0);
    EXPECT_TRUE(FilesIn(dir.path()).isEmpty());
    freeBytes = file.size();
    expectCompleted(run({Partial(file, 0)}));
}

TEST_F(EngineTest, CreatesOneMissingFolderLevelOnly) {
    target = dir.filePath(u"new/f.bin"_s);
    EXPECT_TRUE(run({Partial(file, 0)}).completed());
    EXPECT_EQ(ReadFileBytes(target), file);
    // A missing parent, or a URL ending in "/" (no file name), fails.
    const QString failing[][2] = {
        {dir.filePath(u"a/b/f.bin"_s), u"Error 2 : No such file or directory"_s},
        {dir.path() + u'/', u"Error 21 : Is a directory"_s}};
    for (const auto& [path, message] : failing) {
        target = path;
        expectFailed(run({Partial(file, 0)}), message, false);
    }
    EXPECT_EQ(FilesIn(dir.path()), QStringList{u"new"_s});
    EXPECT_EQ(FilesIn(dir.filePath(u"new"_s)), QStringList{u"f.bin"_s});
}

}  // namespace
}  // namespace pg::test
