#pragma once

#include "download/cancel_request.h"
#include "download/engine.h"
#include "download/transfer_questions.h"
#include "download/transport.h"
#include "support/qstring_printer.h"

#include <QDir>
#include <QList>
#include <QStringList>

#include <optional>

namespace pg::test {

// One scripted answer to a request.
struct Answer {
    int status = 200;
    qint64 length = -1;  // Content-Length; -1: none
    std::optional<ContentRange> range{};
    QByteArray body{};
    bool broken = false;                     // the connection breaks after the body
    std::optional<TransferError> failure{};  // no answer at all
    QByteArray validator{};
};

// A 206 answer with the bytes from `from` to `to` (exclusive; -1: the end),
// broken after cutAfter when that is given.
inline Answer Partial(const QByteArray& file, qint64 from, qint64 cutAfter = -1, qint64 to = -1) {
    to = to < 0 ? file.size() : to;
    const QByteArray part = file.mid(from, (cutAfter < 0 ? to : cutAfter) - from);
    return {206, to - from, ContentRange{from, to - 1, file.size()}, part, cutAfter >= 0};
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
        offsets.append(request.offset);
        requests.append(request);
        return std::make_unique<FakeSession>(answers.isEmpty() ? Answer{.failure = TransferError{}}
                                                               : answers.takeFirst());
    }
    void processEvents() override {}
    QList<Answer> answers;
    QList<qint64> offsets;
    QList<TransferRequest> requests;
};

// Every entry of a folder, hidden ones included.
inline QStringList FilesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

// The progress window and the questions: records what they are shown, answers
// from scripts (none left: No / Cancel) and may cancel after some bytes.
struct FakeUi : TransferObserver, TransferQuestions {
    FakeUi(CancelRequest& c, QString f) : cancel(c), folder(std::move(f)) {}
    CancelRequest& cancel;
    QString folder;
    QStringList shown;  // status texts, "item N of M", the questions
    int updates = 0;
    qint64 cancelAt = -1;  // received bytes at which to cancel
    bool cancelAll = false;
    QList<bool> resumeAnswers, retryAnswers;
    QStringList filesAtResumeQuestion;

    using TransferQuestions::transferStarted;
    void transferStarted(const TransferItem& item) override {
        shown.append(QStringLiteral("item %1 of %2").arg(item.number).arg(item.count));
    }
    void statusChanged(const QString& text) override { shown.append(text); }
    void sourceAndTarget(const QString&, const QString&, const QString&) override {}
    void progressReset(qint64) override {}
    void progressUpdated(const ProgressSnapshot& snapshot) override {
        ++updates;
        if (cancelAt >= 0 && snapshot.received >= cancelAt) {
            cancel = {true, cancelAll};
        }
    }
    void transferFinished(const TransferOutcome&) override {}
    bool continueWithoutResume() override {
        shown.append(QuestionText::ResumeTitle);
        filesAtResumeQuestion = FilesIn(folder);
        return !resumeAnswers.isEmpty() && resumeAnswers.takeFirst();
    }
    bool retryIncomplete(const QString&) override {
        shown.append(QuestionText::IncompleteTitle);
        return !retryAnswers.isEmpty() && retryAnswers.takeFirst();
    }
};

}  // namespace pg::test
