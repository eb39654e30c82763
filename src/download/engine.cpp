#include "download/engine.h"

#include "download/cancel_request.h"
#include "download/format.h"
#include "download/free_space.h"
#include "download/progress_text.h"
#include "download/steady_clock.h"
#include "download/transfer_questions.h"

#include <QFile>
#include <QFileInfo>
#include <QPointer>

#include <sys/stat.h>
#include <cerrno>

namespace pg {

namespace {

constexpr qint64 kResumeOverlap = 4096;
// A busy server (429, 503) is waited out when it asks for at most this long,
// at most this often per file.
constexpr int kLongestBusyWaitSecs = 30;
constexpr int kBusyWaitsPerFile = 2;

// Creates the target's folder when it is missing; one level only, so a
// missing parent fails like any other error of the file system.
int EnsureFolder(const QString& folder) {
    if (folder.isEmpty() || QFileInfo(folder).isDir()) {
        return 0;
    }
    const QByteArray native = QFile::encodeName(folder);
    return ::mkdir(native.constData(), 0777) == 0 || errno == EEXIST ? 0 : errno;
}

}  // namespace

FileTransfer::FileTransfer(TransferContext& context, TransferItem item, Credentials credentials,
                           QString referer, DoneFn done)
    : context_(context),
      item_(std::move(item)),
      credentials_(std::move(credentials)),
      referer_(std::move(referer)),
      done_(std::move(done)),
      part_(item_.targetPath, item_.url) {
    busyTimer_.setSingleShot(true);
    QObject::connect(&busyTimer_, &QTimer::timeout, &guard_,
                     [this] { request(requestFrom_, forTheRest_); });
}

// A transfer dropped before its end (the program quits) keeps its part file,
// as a killed run does, for a later resume.
FileTransfer::~FileTransfer() = default;

void FileTransfer::post(std::function<void()> fn) {
    QMetaObject::invokeMethod(&guard_, std::move(fn), Qt::QueuedConnection);
}

std::function<void(bool)> FileTransfer::answerTo(std::function<void(bool)> fn) {
    return [this, guard = QPointer<QObject>(&guard_), fn = std::move(fn)](bool yes) {
        if (guard) {
            post([this, fn, yes] {
                if (state_ == State::Asking) {
                    fn(yes);
                }
            });
        }
    };
}

double FileTransfer::now() const {
    return context_.clock ? context_.clock() : SteadySeconds();
}

void FileTransfer::start() {
    targetName_ = GetPathPart(item_.targetPath, true);
    urlName_ = GetPathPart(item_.url, true);
    context_.questions.fileStarted(item_);
    if (const std::optional<PartFile::Leftover> leftover = part_.takeLeftover()) {
        validator_ = leftover->validator;
        resumeOffset_ = std::max<qint64>(0, leftover->size - kResumeOverlap);
        continuing_ = adopted_ = true;
    }
    attempt();
}

void FileTransfer::stop() {
    if (state_ == State::Ended || stopped_) {
        return;
    }
    // Whatever called may be inside a callback of the request: the request
    // ends from the event loop.
    stopped_ = true;
    post([this] {
        if (state_ != State::Ended) {
            finishUnfinished();
        }
    });
}

void FileTransfer::attempt() {
    failure_.reset();
    headCut_ = false;
    if (resuming_) {
        context_.observer.phaseChanged(item_.number, TransferPhase::Resuming);
        resumeOffset_ = std::max<qint64>(0, resumeOffset_ - kResumeOverlap);
    } else {
        context_.observer.phaseChanged(item_.number, TransferPhase::GettingInformation);
    }
    request(resumeOffset_, false);
}

void FileTransfer::request(qint64 offset, bool forTheRest) {
    // A request past byte 0 always names the version it continues.
    Q_ASSERT(offset == 0 || (continuing_ && !validator_.isEmpty()));
    state_ = State::Requesting;
    requestFrom_ = offset;
    forTheRest_ = forTheRest;
    cleanEnd_ = skipBody_ = overrun_ = false;
    busyWaitSecs_ = -1;
    session_ = context_.transport.start(
        {item_.url, credentials_.userName, credentials_.password, context_.remotePort,
         context_.timeoutSecs, offset, continuing_ ? validator_ : QByteArray(), referer_},
        *this);
}

TransferListener::Take FileTransfer::answered(TransferSession& session) {
    if (stopped_) {
        return Take::Stop;
    }
    context_.observer.phaseChanged(item_.number, TransferPhase::Saving);
    context_.observer.sourceAndTarget(item_.number, urlName_, session.remoteHost(),
                                      item_.targetPath);
    lastUrl_ = session.effectiveUrl();
    return takeAnswer(session);
}

bool FileTransfer::continuesPart(const TransferSession& session,
                                 const std::optional<ContentRange>& range) const {
    const QByteArray validator = session.validator();
    // A continuation must come from the same version: a changed validator,
    // or none where the first answer had one, is another file.
    return range && range->first == resumeOffset_ &&
           (!lengthRead_ || totalBytes_ < 0 || range->completeLength < 0 ||
            range->completeLength == totalBytes_) &&
           (!continuing_ || validator == validator_);
}

TransferListener::Take FileTransfer::takeAnswer(TransferSession& session) {
    int status = session.statusCode();
    const std::optional<ContentRange> range = session.contentRange();
    const bool unsatisfied = status == 416 && range && range->unsatisfied();
    // Servers refuse any range of an empty file: "*/0" is an empty file,
    // whatever was asked for and whatever body came along.
    const bool emptyFile = unsatisfied && range->completeLength == 0;
    if (emptyFile) {
        status = 200;
    }
    if (status == 429 || status == 503) {
        if (context_.serverBusy) {
            context_.serverBusy(lastUrl_);
        }
        const int wait = session.retryAfterSecs();
        if (busyAnswers_ < kBusyWaitsPerFile && wait >= 0 && wait <= kLongestBusyWaitSecs) {
            // Asked again once the request has ended and the wait is over.
            ++busyAnswers_;
            busyWaitSecs_ = wait;
            return Take::Stop;
        }
    }
    if (status == 416 && forTheRest_ && continuing_ && totalBytes_ < 0) {
        // The rest of a file of unknown length, asked for where the bytes
        // held end: only a refusal that names the length says where it ends.
        if (!unsatisfied) {
            failFile(FailureCause::LengthUnknown);
            return Take::Stop;
        }
        if (range->completeLength == resumeOffset_) {
            totalBytes_ = resumeOffset_;
            skipBody_ = true;
            openPartFile();
            return Take::Stop;
        }
    }
    // A whole-file answer to a resume, a part that does not go on where the
    // part file stands or of another version, or a refused resume (the file
    // is shorter now) means the part file cannot be trusted.
    const bool untrusted =
        (status == 206 && !continuesPart(session, range)) || (status == 416 && continuing_);
    if (continuing_ && (status == 200 || untrusted)) {
        // A killed run's part file goes without a question: nobody asked to resume it.
        const bool ask = !adopted_;
        startOver();
        forTheRest_ = false;
        if (ask) {
            state_ = State::Asking;
            context_.questions.askContinueWithoutResume(
                item_, answerTo([this, untrusted](bool yes) { resumeAnswered(yes, untrusted); }));
            return Take::Hold;
        }
        if (untrusted) {
            post([this] {
                session_.reset();
                request(0, false);
            });
            return Take::Hold;
        }
    } else if (status == 204) {
        failFile(FailureCause::NothingToDownload);
        return Take::Stop;
    } else if (status == 401) {
        failFile(FailureCause::AuthorizationFailed, true);
        return Take::Stop;
    } else if (status == 404) {
        failFile(FailureCause::NotFound);
        return Take::Stop;
    } else if ((status != 200 && status != 206) || (untrusted && range)) {
        failFile(FailureCause::UnexpectedStatus, true);
        return Take::Stop;
    }
    return takeFile(session, status, range, emptyFile);
}

void FileTransfer::resumeAnswered(bool startAgain, bool untrusted) {
    if (!startAgain) {
        session_.reset();
        failFile(FailureCause::ResumeRefused);
        finishUnfinished();
    } else if (untrusted || !session_) {
        // Ask again for the whole file.
        session_.reset();
        request(0, false);
    } else {
        // The whole file is what this answer brings: take it from its first byte.
        state_ = State::Requesting;
        const int status = session_->statusCode();
        const std::optional<ContentRange> range = session_->contentRange();
        const bool emptyFile = status == 416;  // the "*/0" of an empty file
        if (takeFile(*session_, emptyFile ? 200 : status, range, emptyFile) == Take::Body) {
            session_->resume();
        } else {
            ended(End::Stopped);
        }
    }
}

TransferListener::Take FileTransfer::takeFile(TransferSession& session, int status,
                                              const std::optional<ContentRange>& range,
                                              bool emptyFile) {
    skipBody_ = emptyFile;
    bool lengthLearned = false;
    if (!lengthRead_) {
        // The file's length: the whole length a partial answer names, else Content-Length.
        startClock_ = now() - 1;
        totalBytes_ = emptyFile                ? 0
                      : status == 206 && range ? range->completeLength
                                               : session.contentLength();
        validator_ = session.validator();
        lengthRead_ = true;
    } else if (totalBytes_ < 0 && status == 206 && range && range->completeLength >= 0) {
        // A later part names the length that the first one left open.
        totalBytes_ = range->completeLength;
        lengthLearned = true;
    }
    rangeEnd_ = status == 206 && range && range->last >= 0 ? range->last + 1 : -1;

    if (totalBytes_ > 0) {
        const QString folder = QFileInfo(item_.targetPath).absolutePath();
        const std::optional<qint64> free =
            context_.freeSpace ? context_.freeSpace(folder) : FreeSpaceFor(folder);
        if (free && *free < totalBytes_) {
            failFile(FailureCause::DiskFull, true);
            return Take::Stop;
        }
    }
    if (!forTheRest_ || lengthLearned) {
        context_.observer.progressReset(item_.number, totalBytes_);
    }
    if (!openPartFile()) {
        return Take::Stop;
    }
    return skipBody_ ? Take::Stop : Take::Body;
}

bool FileTransfer::openPartFile() {
    // From here on, errors of the file system abandon the file.
    if (const int error = EnsureFolder(GetPathPart(item_.targetPath, false))) {
        failFile(FailureCause::FileSystem, false, error);
        return false;
    }
    if (const int error = part_.open(!continuing_, validator_)) {
        failFile(FailureCause::FileSystem, false, error);
        return false;
    }
    fileOpened_ = true;
    state_ = State::Receiving;
    return true;
}

bool FileTransfer::received(const char* data, qint64 size) {
    if (stopped_ || state_ != State::Receiving) {
        return false;
    }
    // Bytes past the end of a partial answer's range belong nowhere.
    const bool overrun = rangeEnd_ >= 0 && resumeOffset_ + size > rangeEnd_;
    const qint64 length = overrun ? rangeEnd_ - resumeOffset_ : size;
    if (const int error = part_.write(data, length, resumeOffset_)) {
        failFile(FailureCause::FileSystem, false, error);
        return false;
    }
    resumeOffset_ += length;
    const ProgressSnapshot progress{resumeOffset_, totalBytes_,  now() - startClock_,
                                    targetName_,   item_.number, item_.count};
    context_.observer.progressUpdated(progress);
    lastTimeLeft_ = TimeLeft(progress).value_or(0);
    overrun_ = overrun;
    return !overrun && !stopped_;
}

void FileTransfer::ended(End end) {
    if (state_ == State::Ended) {
        return;
    }
    if (end == End::NoAnswer && session_) {
        context_.observer.phaseChanged(item_.number, TransferPhase::Saving);
        context_.observer.sourceAndTarget(item_.number, urlName_, session_->remoteHost(),
                                          item_.targetPath);
        lastUrl_ = session_->effectiveUrl();
        const TransferError error = session_->error();
        headCut_ = error.headCut;
        if (error.noConnection) {
            failRequest(FailureCause::NoConnection, true);
        } else {
            failRequest(FailureCause::Request, false, error.code, error.text);
        }
    }
    session_.reset();
    if (stopped_) {
        finishUnfinished();
        return;
    }
    if (busyWaitSecs_ >= 0 && !failure_) {
        state_ = State::Waiting;
        context_.observer.phaseChanged(item_.number, TransferPhase::WaitingToRetry);
        context_.observer.waitingToRetry(item_.number, busyWaitSecs_);
        busyTimer_.start(busyWaitSecs_ * 1000);
        return;
    }
    if (state_ == State::Receiving && !abandoned_) {
        cleanEnd_ = skipBody_ || (end == End::Complete && !overrun_);
        if (skipBody_) {
            rangeEnd_ = -1;
        }
        // An answer that ended where its range ends, short of the file's end
        // (or of a file whose length the server did not give): ask for the
        // rest at once, as long as each answer brings more.
        if (partOfMore(requestFrom_)) {
            if (validator_.isEmpty()) {
                failFile(FailureCause::NoVersion);
                finishUnfinished();
                return;
            }
            continuing_ = true;
            request(resumeOffset_, true);
            return;
        }
    }
    part_.close();
    endChecks();
}

bool FileTransfer::partOfMore(qint64 from) const {
    return cleanEnd_ && rangeEnd_ == resumeOffset_ && resumeOffset_ > from &&
           (totalBytes_ < 0 || resumeOffset_ < totalBytes_);
}

// A file of unknown length is whole only when an answer without a range ended
// cleanly; a part of one needs the server to say where the file ends.
bool FileTransfer::complete() const {
    return lengthRead_ && fileOpened_ &&
           (totalBytes_ >= 0 ? resumeOffset_ == totalBytes_ : cleanEnd_ && rangeEnd_ < 0);
}

void FileTransfer::endChecks() {
    if (complete()) {
        if (const int error = part_.commit(resumeOffset_)) {
            failFile(FailureCause::FileSystem, false, error);
        } else {
            context_.observer.phaseChanged(item_.number, TransferPhase::Completed);
            TransferOutcome outcome;
            outcome.result = TransferOutcome::Result::Completed;
            finish(outcome);
            return;
        }
    }
    // An answer that broke off inside its head, before any of the file was
    // written, may be retried like one that broke off in the body.
    const bool broke = headCut_;
    if (abandoned_ || (fileOpened_ ? !part_.exists() : !broke)) {
        finishUnfinished();
        return;
    }
    // The connection ended before the whole file arrived.
    state_ = State::Asking;
    context_.questions.askRetryIncomplete(item_, FormatTime(lastTimeLeft_),
                                          answerTo([this](bool yes) { retryAnswered(yes); }));
}

void FileTransfer::retryAnswered(bool retry) {
    if (!retry) {
        declined_ = true;
        finishUnfinished();
        return;
    }
    if (validator_.isEmpty()) {
        // Without a strong validator a resume could join two versions of the
        // file: the retry asks for the whole file.
        startOver();
    } else {
        resuming_ = continuing_ = true;
    }
    attempt();
}

// Drops the part file and its figures: the next request asks for the whole file.
void FileTransfer::startOver() {
    part_.discard();
    fileOpened_ = resuming_ = continuing_ = adopted_ = lengthRead_ = false;
    resumeOffset_ = 0;
    totalBytes_ = -1;
}

// A failure that a retry may mend (the request got no answer or broke off).
void FileTransfer::failRequest(FailureCause cause, bool stopBatch, int code, QString detail) {
    TransferOutcome failure = TransferOutcome::failed(cause, stopBatch);
    failure.code = code;
    failure.detail = std::move(detail);
    failure_ = std::move(failure);
}

// A failure that ends this file at once: an answer that is no file, or the disk.
void FileTransfer::failFile(FailureCause cause, bool stopBatch, int code) {
    failRequest(cause, stopBatch, code);
    abandoned_ = true;
    part_.close();
}

void FileTransfer::finishUnfinished() {
    TransferOutcome outcome;
    if (failure_) {
        outcome = *failure_;
        outcome.stopBatch = outcome.stopBatch || context_.cancel.CancelAll;
    } else if (declined_) {
        outcome.result = TransferOutcome::Result::Incomplete;
        outcome.cause = FailureCause::RetryDeclined;
    } else {
        outcome.result = TransferOutcome::Result::Cancelled;
        outcome.stopBatch = context_.cancel.CancelAll;
    }
    finish(std::move(outcome));
}

void FileTransfer::finish(TransferOutcome outcome) {
    if (state_ == State::Ended) {
        return;
    }
    state_ = State::Ended;
    busyTimer_.stop();
    session_.reset();
    // Only a part file named by its version can ever be resumed.
    if (outcome.result == TransferOutcome::Result::Cancelled && context_.cancel.keepPartFiles &&
        !validator_.isEmpty()) {
        part_.close();
    } else if (!outcome.completed()) {
        part_.discard();
    }
    outcome.lastUrl = lastUrl_;
    context_.questions.fileEnded(item_);
    // Without this transfer as the receiver, so that the owner may destroy it in done.
    QTimer::singleShot(0, [guard = QPointer<QObject>(&guard_), done = done_, outcome] {
        if (guard) {
            done(outcome);
        }
    });
}

}  // namespace pg
