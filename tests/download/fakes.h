#pragma once

#include "download/batch.h"
#include "download/cancel_request.h"
#include "download/engine.h"
#include "download/transfer_questions.h"
#include "download/transport.h"
#include "support/event_loop.h"
#include "support/qstring_printer.h"
#include "support/test_bytes.h"

#include <QList>
#include <QPointer>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
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
    int retryAfter = -1;                     // seconds a busy server asks to wait
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

// Runs fn from the event loop unless `alive` is gone by then; the receiver is
// none of ours, so fn may destroy what it likes.
inline void Later(QObject* alive, std::function<void()> fn) {
    QTimer::singleShot(0, [alive = QPointer<QObject>(alive), fn = std::move(fn)] {
        if (alive) {
            fn();
        }
    });
}

// Gives the answer from the event loop: the head, then the body in chunks of
// at most 1000 bytes, then its end.
struct FakeSession : TransferSession {
    FakeSession(Answer answer, TransferListener& l) : a(std::move(answer)), listener(l) {
        Later(&guard, [this] { step(); });
    }
    ~FakeSession() override {
        if (onGone) {
            onGone();
        }
    }
    std::function<void()> onGone;
    void step() {
        if (a.failure) {
            listener.ended(TransferListener::End::NoAnswer);  // may destroy this session
            return;
        }
        if (!answered) {
            answered = true;
            switch (listener.answered(*this)) {
                case TransferListener::Take::Body:
                    break;
                case TransferListener::Take::Hold:
                    return;
                case TransferListener::Take::Stop:
                    Later(&guard, [this] { listener.ended(TransferListener::End::Stopped); });
                    return;
            }
        }
        const qint64 size = std::min<qint64>(1000, a.body.size() - pos);
        if (size > 0) {
            pos += size;
            if (!listener.received(a.body.constData() + pos - size, size)) {
                Later(&guard, [this] { listener.ended(TransferListener::End::Stopped); });
            } else {
                Later(&guard, [this] { step(); });
            }
            return;
        }
        listener.ended(a.broken ? TransferListener::End::Broken : TransferListener::End::Complete);
    }
    int statusCode() const override { return a.status; }
    qint64 contentLength() const override { return a.length; }
    std::optional<ContentRange> contentRange() const override { return a.range; }
    QByteArray validator() const override { return a.validator; }
    int retryAfterSecs() const override { return a.retryAfter; }
    QString remoteHost() const override { return QStringLiteral("host"); }
    QString effectiveUrl() const override { return url; }
    TransferError error() const override { return a.failure.value_or(TransferError{}); }
    void resume() override {
        Later(&guard, [this] { step(); });
    }
    Answer a;
    TransferListener& listener;
    QString url;
    qint64 pos = 0;
    bool answered = false;
    QObject guard;
};

// Hands out the scripted answers in order and records the requests.
struct FakeTransport : Transport {
    std::unique_ptr<TransferSession> start(const TransferRequest& request,
                                           TransferListener& listener) override {
        requests.append(request);
        auto session = std::make_unique<FakeSession>(
            answers.isEmpty() ? Answer{.failure = TransferError{}} : answers.takeFirst(), listener);
        session->url = request.url;
        atOnce.append(++live);
        session->onGone = [this] { --live; };
        return session;
    }
    // The most requests under way at once from the nth request on.
    int mostAtOnceSince(qsizetype n) const {
        return *std::max_element(atOnce.begin() + n, atOnce.end());
    }
    QList<Answer> answers;
    QList<TransferRequest> requests;
    int live = 0;       // requests under way
    QList<int> atOnce;  // requests under way as each request started
};

// The progress window and the questions: records what they are shown, answers
// from scripts at once (none left: No / Cancel) and may cancel after some bytes.
struct FakeUi : TransferObserver, TransferQuestions {
    explicit FakeUi(CancelRequest& c) : cancel(c) {}
    CancelRequest& cancel;
    QStringList shown;  // phase texts, "item N of M", the questions
    int updates = 0;
    qint64 cancelAt = -1;  // received bytes at which to cancel
    bool cancelAll = false;
    std::function<void()> onProgress;  // runs at every progress update
    QList<bool> resumeAnswers, retryAnswers;

    void transferStarted(const TransferItem& item) override {
        shown.append(QStringLiteral("item %1 of %2").arg(item.number).arg(item.count));
    }
    void phaseChanged(int, TransferPhase phase) override { shown.append(PhaseText(phase)); }
    void sourceAndTarget(int, const QString&, const QString&, const QString&) override {}
    void progressReset(int, qint64) override {}
    void progressUpdated(const ProgressSnapshot& snapshot) override {
        ++updates;
        if (onProgress) {
            onProgress();
        }
        if (cancelAt >= 0 && snapshot.received >= cancelAt && !cancel.stopsFile()) {
            cancel.request(cancelAll);
        }
    }
    void transferFinished(const TransferItem&, const TransferOutcome&) override {}
    void askContinueWithoutResume(const TransferItem&, Answer answer) override {
        shown.append(QuestionText::ResumeTitle);
        answer(!resumeAnswers.isEmpty() && resumeAnswers.takeFirst());
    }
    void askRetryIncomplete(const TransferItem&, const QString&, Answer answer) override {
        shown.append(QuestionText::IncompleteTitle);
        answer(!retryAnswers.isEmpty() && retryAnswers.takeFirst());
    }
};

// Runs one file transfer to its end on the event loop; a cancel request stops it.
inline TransferOutcome RunTransferToEnd(TransferContext& context, const TransferItem& item,
                                        const Credentials& credentials, CancelRequest& cancel) {
    std::optional<TransferOutcome> outcome;
    FileTransfer transfer(context, item, credentials, {},
                          [&outcome](const TransferOutcome& o) { outcome = o; });
    cancel.setListener([&transfer] { transfer.stop(); });
    transfer.start();
    EXPECT_TRUE(RunEventLoopUntil([&outcome] { return outcome.has_value(); }, 120000));
    cancel.setListener({});
    return outcome.value_or(TransferOutcome{});
}

// Runs a batch to its end on the event loop.
inline BatchReport RunBatchToEnd(const BatchServices& services, BatchJob job) {
    std::optional<BatchReport> report;
    BatchRun run(services, std::move(job), [&report](const BatchReport& r) { report = r; });
    run.start();
    EXPECT_TRUE(RunEventLoopUntil([&report] { return report.has_value(); }, 120000));
    return report.value_or(BatchReport{});
}

// A folder and the fakes for the engine's and the batch's tests.
class TransferTest : public ::testing::Test {
protected:
    // The transfer of "http://host/f.bin" to target, run to its end.
    TransferOutcome download(QList<Answer> answers) {
        transport.answers = std::move(answers);
        transport.requests.clear();
        TransferContext context{transport, ui, ui, cancel, 80, 60, freeSpace, {}};
        return RunTransferToEnd(context, {u"http://host/f.bin"_s, target, 1, 1}, {}, cancel);
    }
    // A batch into files with credentials for the page's host h:8080, remote
    // port 8080, 5 s time-out.
    BatchReport batch(const QStringList& urls, QList<Answer> answers,
                      const QString& incomplete = {}, int parallel = 1) {
        transport.answers = std::move(answers);
        const BatchJob job{urls,    files, {u"u"_s, u"p"_s}, 8080,
                           5,       log,   incomplete,       u"http://h:8080/page.html"_s,
                           parallel};
        return RunBatchToEnd({transport, ui, ui, cancel, freeSpace}, job);
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
    const std::function<std::optional<qint64>(const QString&)> freeSpace = [this](const QString&) {
        return freeBytes;
    };
};

}  // namespace pg::test
