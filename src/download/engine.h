#pragma once

#include "download/part_file.h"
#include "download/transfer_observer.h"
#include "download/transfer_outcome.h"
#include "download/transport.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>

namespace pg {

class CancelRequest;
class TransferQuestions;

// The user name and password a file is fetched with (either may be empty).
struct Credentials {
    QString userName;
    QString password;
};

// Everything one file transfer works with.
struct TransferContext {
    Transport& transport;
    TransferObserver& observer;
    TransferQuestions& questions;
    const CancelRequest& cancel;  // read for CancelAll when a file ends
    int remotePort = 80;
    int timeoutSecs = 60;
    // Free bytes for a folder; empty: asked from the file system.
    std::function<std::optional<qint64>(const QString& folder)> freeSpace;
    // Seconds on a steady clock; empty: the system's.
    std::function<double()> clock;
    // Told the URL of a request that a busy server answered with 429 or 503.
    std::function<void(const QString& url)> serverBusy = {};
};

// Brings the file at item.url to item.targetPath (`DownloadFile`), reporting
// its progress and asking to retry a broken transfer (which then resumes). It
// runs on the event loop, moved on by the transport's callbacks and the
// answers to its questions, and reports its end to `done` (from the event
// loop, never from within start() or stop()).
//
// A file that comes in parts is asked for part after part without a question;
// every resume names the version it continues (If-Range: a strong ETag or the
// Last-Modified date), and a part of another version is never joined, so that
// a changed file is never spliced; without such a validator a retry starts
// over. A part file that a killed run left for the same URL and target is
// resumed while the server still has its version, else replaced. After any
// end but Completed nothing it wrote stays, and an earlier file at the target
// is untouched.
class FileTransfer : private TransferListener {
public:
    using DoneFn = std::function<void(const TransferOutcome&)>;

    // referer: what the requests name as their Referer (empty: none).
    FileTransfer(TransferContext& context, TransferItem item, Credentials credentials,
                 QString referer, DoneFn done);
    ~FileTransfer() override;
    FileTransfer(const FileTransfer&) = delete;
    FileTransfer& operator=(const FileTransfer&) = delete;

    void start();
    // Ends the transfer as cancelled (whatever it waits for), unless it has ended.
    void stop();

    const TransferItem& item() const { return item_; }

private:
    enum class State {
        Idle,
        Requesting,  // a request is out, no answer taken yet
        Receiving,   // the answer's body goes to the part file
        Asking,      // a question is open; the request (if any) is held
        Waiting,     // a busy server asked to be asked again later
        Ended,
    };

    // An attempt's first request: a fresh one or a resume.
    void attempt();
    // forTheRest: the rest of a file that came in parts (the bar stays as it is).
    void request(qint64 offset, bool forTheRest);
    Take answered(TransferSession& session) override;
    bool received(const char* data, qint64 size) override;
    void ended(End end) override;
    // Acts on the answer's status.
    Take takeAnswer(TransferSession& session);
    // The rest of takeAnswer once the answer is known to give the file.
    Take takeFile(TransferSession& session, int status, const std::optional<ContentRange>& range,
                  bool emptyFile);
    bool continuesPart(const TransferSession& session,
                       const std::optional<ContentRange>& range) const;
    bool openPartFile();
    // After "Unable to Resume Download" for an answer that is held meanwhile.
    void resumeAnswered(bool startAgain, bool untrusted);
    void endChecks();
    void retryAnswered(bool retry);
    void startOver();
    void failRequest(FailureCause cause, bool stopBatch, int code = 0, QString detail = {});
    void failFile(FailureCause cause, bool stopBatch = false, int code = 0);
    // Ends the file as the failure, the declined retry or the cancel left it.
    void finishUnfinished();
    void finish(TransferOutcome outcome);
    // Runs fn from the event loop, unless this transfer is gone by then.
    void post(std::function<void()> fn);
    // An answer callback for the questions, delivered from the event loop.
    std::function<void(bool)> answerTo(std::function<void(bool)> fn);

    bool partOfMore(qint64 from) const;
    bool complete() const;
    double now() const;

    TransferContext& context_;
    const TransferItem item_;
    const Credentials credentials_;
    const QString referer_;
    const DoneFn done_;
    QString targetName_;
    QString urlName_;
    QObject guard_;  // posted calls die with the transfer
    State state_ = State::Idle;
    std::unique_ptr<TransferSession> session_;
    QString lastUrl_;

    PartFile part_;
    qint64 totalBytes_ = -1;  // -1: the server announced no length
    bool lengthRead_ = false;
    qint64 resumeOffset_ = 0;  // bytes written; the next write's offset and the next request's
    bool resuming_ = false;    // the user chose Retry
    double startClock_ = 0;
    bool fileOpened_ = false;
    bool cleanEnd_ = false;
    bool skipBody_ = false;  // the answer's body is no part of the file (a 416's)
    bool sourceShown_ = false;
    double lastTimeLeft_ = 0;
    qint64 requestFrom_ = 0;  // where the current request started
    bool forTheRest_ = false;
    int busyAnswers_ = 0;    // 429 and 503 answers waited out
    int busyWaitSecs_ = -1;  // set: the request ended to be asked again after this wait
    QTimer busyTimer_;
    bool declined_ = false;  // the retry question was answered no
    bool headCut_ = false;   // the last request's answer broke off inside its head

    // The request continues the part file: a resume, the rest of a file that
    // came in parts, or the part file a killed run left (adopted_). Only a
    // file whose version has a strong validator is continued.
    bool continuing_ = false;
    bool adopted_ = false;
    QByteArray validator_;  // of the file's version the part file holds; empty: none usable
    qint64 rangeEnd_ = -1;  // a partial answer's end (exclusive) in the file
    bool stopped_ = false;  // a cancel
    bool overrun_ = false;  // the body went past its range

    std::optional<TransferOutcome> failure_;  // the last request's failure
    bool abandoned_ = false;                  // the failure ends the file, no retry
};

}  // namespace pg
