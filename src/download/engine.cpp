#include "download/engine.h"

#include "download/cancel_request.h"
#include "download/format.h"
#include "download/free_space.h"
#include "download/part_file.h"
#include "download/progress_text.h"
#include "download/transfer_questions.h"
#include "download/transport.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>
#include <cerrno>
#include <memory>

using namespace Qt::StringLiterals;

namespace pg {

namespace {

constexpr qint64 kResumeOverlap = 4096;

double SteadySeconds() {
    static QElapsedTimer timer;
    if (!timer.isValid()) {
        timer.start();
    }
    return static_cast<double>(timer.nsecsElapsed()) / 1e9;
}

// Creates the target's folder when it is missing; one level only, so a
// missing parent fails like any other error of the file system.
int EnsureFolder(const QString& folder) {
    if (folder.isEmpty() || QFileInfo(folder).isDir()) {
        return 0;
    }
    const QByteArray native = QFile::encodeName(folder);
    return ::mkdir(native.constData(), 0777) == 0 || errno == EEXIST ? 0 : errno;
}

class Transfer {
public:
    Transfer(TransferContext& context, const TransferItem& item, const Credentials& credentials)
        : c_(context), item_(item), credentials_(credentials), part_(item.targetPath, item.url) {}

    TransferOutcome run();

private:
    using Session = std::unique_ptr<TransferSession>;

    // One request and its transfer (with the requests for the rest of a file
    // that came in parts); returns at the point where the end checks run.
    void attempt();
    // Waits for the answer and acts on its status; false when the attempt ends.
    // A request for the rest of a file leaves the progress bar as it is.
    bool takeAnswer(Session& session, bool forTheRest);
    // Whether a partial answer continues the part file as it stands.
    bool continuesPart(const TransferSession& session,
                       const std::optional<ContentRange>& range) const;
    // Writes the body into the part file; false when the attempt ends.
    bool saveBody(TransferSession& session);
    // Whether the answer just saved ended short of the file's end where its
    // range ends, and brought more than `from`: then the rest is asked for.
    bool partOfMore(qint64 from) const {
        return cleanEnd_ && rangeEnd_ == ResumeOffset && ResumeOffset > from &&
               (TotalBytes < 0 || ResumeOffset < TotalBytes);
    }
    // A file of unknown length is whole only when an answer without a range
    // ended cleanly; a part of one needs the server to say where the file ends.
    bool complete() const {
        return lengthRead_ && FileOpened &&
               (TotalBytes >= 0 ? ResumeOffset == TotalBytes : cleanEnd_ && rangeEnd_ < 0);
    }
    // Drops the part file and its figures: the next request asks for the whole file.
    void startOver() {
        part_.discard();
        FileOpened = Resuming = continuing_ = adopted_ = lengthRead_ = false;
        ResumeOffset = 0;
        TotalBytes = -1;
    }
    // A failure that a retry may mend (the request got no answer or broke off).
    void failRequest(const QString& message, bool stopBatch) {
        failure_ = message;
        stopBatch_ = stopBatch;
    }
    // A failure that ends this file at once: an answer that is no file, or the disk.
    void failFile(const QString& message, bool stopBatch = false) {
        failRequest(message, stopBatch);
        abandoned_ = true;
        part_.close();
    }
    bool stopped() const { return c_.cancel.stopsFile(); }
    double now() const { return c_.clock ? c_.clock() : SteadySeconds(); }
    std::optional<qint64> freeSpace(const QString& folder) const {
        return c_.freeSpace ? c_.freeSpace(folder) : FreeSpaceFor(folder);
    }
    // A request past byte 0 always names the version it continues.
    Session start(qint64 offset) {
        Q_ASSERT(offset == 0 || (continuing_ && !validator_.isEmpty()));
        return c_.transport.start({item_.url, credentials_.userName, credentials_.password,
                                   c_.remotePort, c_.timeoutSecs, offset,
                                   continuing_ ? validator_ : QByteArray()});
    }

    TransferContext& c_;
    const TransferItem& item_;
    const Credentials& credentials_;
    QString targetName_;
    QString urlName_;

    PartFile part_;
    qint64 TotalBytes = -1;  // -1: the server announced no length
    bool lengthRead_ = false;
    qint64 ResumeOffset = 0;
    bool Resuming = false;
    double StartClock = 0;
    bool FileOpened = false;
    bool cleanEnd_ = false;
    bool skipBody_ = false;  // the answer's body is no part of the file (a 416's)
    double lastTimeLeft_ = 0;

    // The request continues the part file: a resume, the rest of a file that
    // came in parts, or the part file a killed run left (adopted_). Only a
    // file whose version has a strong validator is continued.
    bool continuing_ = false;
    bool adopted_ = false;
    QByteArray validator_;  // of the file's version the part file holds; empty: none usable
    qint64 rangeEnd_ = -1;  // a partial answer's end (exclusive) in the file

    QString failure_;  // the last attempt's failure, for the error log
    bool stopBatch_ = false;
    bool abandoned_ = false;
};

TransferOutcome Transfer::run() {
    using Result = TransferOutcome::Result;
    targetName_ = GetPathPart(item_.targetPath, true, false);
    urlName_ = GetPathPart(item_.url, true, true);
    c_.questions.transferStarted();
    if (const std::optional<PartFile::Leftover> leftover = part_.takeLeftover()) {
        validator_ = leftover->validator;
        ResumeOffset = std::max<qint64>(0, leftover->size - kResumeOverlap);
        continuing_ = adopted_ = true;
    }

    bool declined = false;
    for (;;) {
        failure_.clear();
        stopBatch_ = false;
        attempt();
        if (complete()) {
            if (const int error = part_.commit(ResumeOffset)) {
                failFile(SystemErrorMessage(error));
                break;
            }
            c_.observer.statusChanged(u"Download completed!"_s);
            return {Result::Completed, false, {}};
        }
        if (abandoned_ || !FileOpened || !part_.exists() || stopped()) {
            break;
        }
        // The connection ended before the whole file arrived.
        if (!c_.questions.retryIncomplete(FormatTime(lastTimeLeft_))) {
            declined = true;
            break;
        }
        if (validator_.isEmpty()) {
            // Without a strong validator a resume could join two versions of
            // the file: the retry asks for the whole file.
            startOver();
        } else {
            Resuming = continuing_ = true;
        }
    }
    part_.discard();
    if (!failure_.isEmpty()) {
        return {Result::Failed, stopBatch_ || c_.cancel.CancelAll, failure_};
    }
    if (declined) {
        return {Result::Incomplete, false, {}};
    }
    return {Result::Cancelled, c_.cancel.CancelAll, {}};
}

void Transfer::attempt() {
    cleanEnd_ = false;
    if (Resuming) {
        c_.observer.statusChanged(u"Resuming download..."_s);
        ResumeOffset = std::max<qint64>(0, ResumeOffset - kResumeOverlap);
    } else {
        c_.observer.statusChanged(u"Getting file information..."_s);
    }
    c_.transport.processEvents();

    Session session = start(ResumeOffset);
    for (bool forTheRest = false;; forTheRest = true) {
        const qint64 from = ResumeOffset;
        if (!takeAnswer(session, forTheRest) || !saveBody(*session)) {
            return;
        }
        // An answer that ended where its range ends, short of the file's end
        // (or of a file whose length the server did not give): ask for the
        // rest at once, as long as each answer brings more.
        if (!partOfMore(from)) {
            break;
        }
        if (validator_.isEmpty()) {
            failFile(LogText::NoVersion);
            return;
        }
        continuing_ = true;
        session = start(ResumeOffset);
    }
    part_.close();
}

bool Transfer::continuesPart(const TransferSession& session,
                             const std::optional<ContentRange>& range) const {
    const QByteArray validator = session.validator();
    // A continuation must come from the same version: a changed validator,
    // or none where the first answer had one, is another file.
    return range && range->first == ResumeOffset &&
           (!lengthRead_ || TotalBytes < 0 || range->completeLength < 0 ||
            range->completeLength == TotalBytes) &&
           (!continuing_ || validator == validator_);
}

bool Transfer::takeAnswer(Session& session, bool forTheRest) {
    const auto stop = [this] { return stopped(); };
    int status = 0;
    std::optional<ContentRange> range;
    bool emptyFile = false;
    for (;;) {
        const TransferSession::Wait wait = session->waitForResponse(stop);
        if (wait == TransferSession::Wait::Stopped) {
            return false;
        }
        c_.observer.statusChanged(u"Saving:"_s);
        c_.observer.sourceAndTarget(urlName_, session->remoteHost(), item_.targetPath);
        if (wait == TransferSession::Wait::Failed) {
            const TransferError error = session->error();
            if (error.noConnection) {
                failRequest(LogText::NoConnection, true);
            } else {
                failRequest(u"Error %1 : %2"_s.arg(error.code).arg(error.text), false);
            }
            return false;
        }

        status = session->statusCode();
        range = session->contentRange();
        const bool unsatisfied = status == 416 && range && range->unsatisfied();
        // Servers refuse any range of an empty file: "*/0" is an empty file,
        // whatever was asked for and whatever body came along.
        emptyFile = unsatisfied && range->completeLength == 0;
        if (emptyFile) {
            status = 200;
        }
        if (status == 416 && forTheRest && continuing_ && TotalBytes < 0) {
            // The rest of a file of unknown length, asked for where the bytes
            // held end: only a refusal that names the length says where it ends.
            if (!unsatisfied) {
                failFile(LogText::LengthUnknown);
                return false;
            }
            if (range->completeLength == ResumeOffset) {
                TotalBytes = ResumeOffset;
                skipBody_ = true;
                return true;
            }
        }
        // A whole-file answer to a resume, a part that does not go on where the
        // part file stands or of another version, or a refused resume (the
        // file is shorter now) means the part file cannot be trusted.
        const bool untrusted =
            (status == 206 && !continuesPart(*session, range)) || (status == 416 && continuing_);
        if (continuing_ && (status == 200 || untrusted)) {
            // A killed run's part file goes without a question: nobody asked to resume it.
            const bool ask = !adopted_;
            startOver();
            forTheRest = false;
            if (ask && !c_.questions.continueWithoutResume()) {
                failFile(LogText::ResumeRefused);
                return false;
            }
            if (untrusted) {
                // Ask again for the whole file.
                session = start(0);
                continue;
            }
        } else if (status == 204) {
            failFile(LogText::NothingToDownload);
            return false;
        } else if (status == 401) {
            failFile(LogText::AuthorizationFailed, true);
            return false;
        } else if (status == 404) {
            failFile(LogText::NotFound);
            return false;
        } else if ((status != 200 && status != 206) || (untrusted && range)) {
            failFile(LogText::Unexpected, true);
            return false;
        }
        break;
    }

    skipBody_ = emptyFile;
    bool lengthLearned = false;
    if (!lengthRead_) {
        // The file's length: the whole length a partial answer names, else Content-Length.
        StartClock = now() - 1;
        TotalBytes = emptyFile                ? 0
                     : status == 206 && range ? range->completeLength
                                              : session->contentLength();
        validator_ = session->validator();
        lengthRead_ = true;
    } else if (TotalBytes < 0 && status == 206 && range && range->completeLength >= 0) {
        // A later part names the length that the first one left open.
        TotalBytes = range->completeLength;
        lengthLearned = true;
    }
    rangeEnd_ = status == 206 && range && range->last >= 0 ? range->last + 1 : -1;

    if (TotalBytes > 0) {
        const std::optional<qint64> free = freeSpace(QFileInfo(item_.targetPath).absolutePath());
        if (free && *free < TotalBytes) {
            failFile(LogText::DiskFull, true);
            return false;
        }
    }
    if (!forTheRest || lengthLearned) {
        c_.observer.progressReset(TotalBytes);
        c_.transport.processEvents();
    }
    return true;
}

bool Transfer::saveBody(TransferSession& session) {
    // From here on, errors of the file system abandon the file.
    if (const int error = EnsureFolder(GetPathPart(item_.targetPath, false, false))) {
        failFile(SystemErrorMessage(error));
        return false;
    }
    if (const int error = part_.open(!continuing_, validator_)) {
        failFile(SystemErrorMessage(error));
        return false;
    }
    FileOpened = true;
    if (skipBody_) {
        cleanEnd_ = true;
        rangeEnd_ = -1;
        return true;
    }
    const auto stop = [this] { return stopped(); };
    for (;;) {
        const TransferSession::Chunk chunk = session.read(stop);
        if (chunk.kind != TransferSession::Chunk::Data) {
            cleanEnd_ = chunk.kind == TransferSession::Chunk::End;
            return true;
        }
        // Bytes past the end of a partial answer's range belong nowhere.
        const bool overrun = rangeEnd_ >= 0 && ResumeOffset + chunk.size > rangeEnd_;
        const qint64 size = overrun ? rangeEnd_ - ResumeOffset : chunk.size;
        if (const int error = part_.write(chunk.data, size, ResumeOffset)) {
            failFile(SystemErrorMessage(error));
            return false;
        }
        if (stopped()) {
            return false;
        }
        ResumeOffset += size;
        const ProgressSnapshot progress{ResumeOffset, TotalBytes,   now() - StartClock,
                                        targetName_,  item_.number, item_.count};
        c_.observer.progressUpdated(progress);
        lastTimeLeft_ = TimeLeft(progress).value_or(0);
        if (overrun) {
            cleanEnd_ = false;
            return true;
        }
    }
}

}  // namespace

TransferOutcome DownloadFile(TransferContext& context, const TransferItem& item,
                             const Credentials& credentials) {
    Transfer transfer(context, item, credentials);
    return transfer.run();
}

}  // namespace pg
