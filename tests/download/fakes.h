#pragma once

#include "download/batch.h"
#include "download/cancel_request.h"
#include "download/engine.h"
#include "download/transfer_questions.h"
#include "download/transport.h"
#include "support/qstring_printer.h"
#include "support/test_bytes.h"

#include <QList>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <optional>

namespace pg::test {

using namespace Qt::StringLiterals;

// One scripted answer to a request.
struct Answer {
    int status = 200;
    qint64 length = -1;  // Content-Length; -1: none
    std::optional<ContentRange> range{};
    QByteArray body{};
    bool broken = false;                     // the connection breaks after the body
    std::optional<TransferError> failure{};  // no answer at all
    QByteArray validator{};                  // as TransferSession::validator() gives it
};

// A 206 answer with the bytes from `from` on, broken at cutAfter when that is
// given, of the file's version `validator`.
inline Answer Partial(const QByteArray& file, qint64 from, qint64 cutAfter = -1,
                      const QByteArray& validator = "\"v1\"") {
    const QByteArray part = file.mid(from, cutAfter < 0 ? -1 : cutAfter - from);
    const qint64 size = file.size();
    return {206, size - from, ContentRange{from, size - 1, size}, part, cutAfter >= 0,
            {},  validator};
}

// Gives the body in chunks of at most 1000 bytes.
struct FakeSession : TransferSession {
    explicit FakeSession(Answer answer) : a(std::move(answer)) {}
    Wait waitForResponse(const StopFn& stop) override {
        return stop() ? Wait::Stopped : a.failure ? Wait::Failed : Wait::Answered;
    }
    int statusCode() const override { return a.status; }
    qint64 contentLength() const override { return a.length; }
    std::optional<ContentRange> contentRange() const override { return a.range; }
    QByteArray validator() const override { return a.validator; }
    QString remoteHost() const override { return QStringLiteral("host"); }
    TransferError error() const override { return a.failure.value_or(TransferError{}); }
    Chunk read(const StopFn&) override {
        const qint64 size = std::min<qint64>(1000, a.body.size() - pos);
        pos += size;
        return size > 0 ? Chunk{Chunk::Data, a.body.constData() + pos - size, size}
                        : Chunk{a.broken ? Chunk::Broken : Chunk::End};
    }
    Answer a;
    qint64 pos = 0;
};

// Hands out the scripted answers in order and records the requests.
struct FakeTransport : Transport {
    std::unique_ptr<TransferSession> start(const TransferRequest& request) override {
        requests.append(request);
        return std::make_unique<FakeSession>(answers.isEmpty() ? Answer{.failure = TransferError{}}
                                                               : answers.takeFirst());
    }
    void processEvents() override {}
    QList<Answer> answers;
    QList<TransferRequest> requests;
};

// The progress window and the questions: records what they are shown, answers
// from scripts (none left: No / Cancel) and may cancel after some bytes.
struct FakeUi : TransferObserver, TransferQuestions {
    explicit FakeUi(CancelRequest& c) : cancel(c) {}
    CancelRequest& cancel;
    QStringList shown;  // status texts, "item N of M", the questions
    int updates = 0;
    qint64 cancelAt = -1;  // received bytes at which to cancel
    bool cancelAll = false;
    std::function<void()> onProgress;  // runs at every progress update
    QList<bool> resumeAnswers, retryAnswers;

    using TransferQuestions::transferStarted;
    void transferStarted(const TransferItem& item) override {
        shown.append(QStringLiteral("item %1 of %2").arg(item.number).arg(item.count));
    }
    void statusChanged(const QString& text) override { shown.append(text); }
    void sourceAndTarget(const QString&, const QString&, const QString&) override {}
    void progressReset(qint64) override {}
    void progressUpdated(const ProgressSnapshot& snapshot) override {
        ++updates;
        if (onProgress) {
            onProgress();
        }
        if (cancelAt >= 0 && snapshot.received >= cancelAt) {
            cancel = {true, cancelAll};
        }
    }
    void transferFinished(const TransferOutcome&) override {}
    bool continueWithoutResume() override {
        shown.append(QuestionText::ResumeTitle);
        return !resumeAnswers.isEmpty() && resumeAnswers.takeFirst();
    }
    bool retryIncomplete(const QString&) override {
        shown.append(QuestionText::IncompleteTitle);
        return !retryAnswers.isEmpty() && retryAnswers.takeFirst();
    }
};

// A folder and the fakes for the engine's and the batch's tests.
class TransferTest : public ::testing::Test {
protected:
    // DownloadFile of "http://host/f.bin" to target.
    TransferOutcome download(QList<Answer> answers) {
        transport.answers = std::move(answers);
        transport.requests.clear();
        TransferContext context{
            transport, ui, ui, cancel, 80, 60, [this](const QString&) { return freeBytes; }, {}};
        return DownloadFile(context, {u"http://host/f.bin"_s, target, 1, 1}, {});
    }
    // A batch into files with credentials for the page's host h:8080, remote port 8080, 5 s
    // time-out.
    BatchReport batch(const QStringList& urls, QList<Answer> answers,
                      const QString& incomplete = {}) {
        transport.answers = std::move(answers);
        BatchServices services{transport, ui, ui, cancel,
                               [this](const QString&) { return freeBytes; }};
        return RunBatch(services, {urls,
                                   files,
                                   {u"u"_s, u"p"_s},
                                   8080,
                                   5,
                                   log,
                                   incomplete,
                                   u"http://h:8080/page.html"_s});
    }

    QTemporaryDir dir;
    QString target = dir.filePath(u"f.bin"_s);
    QString files = dir.filePath(u"files"_s);  // the batch creates it
    QString log = dir.filePath(u"error.log"_s);
    const QByteArray file = MakeTestBytes(20000);
    const Answer ok = Partial(file, 0);
    FakeTransport transport;
    CancelRequest cancel;
    FakeUi ui{cancel};
    std::optional<qint64> freeBytes;  // empty: the file system's
};

}  // namespace pg::test
