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
        : c_(context), item_(item), credentials_(credentials), part_(item.targetPath) {}

    TransferOutcome run();

private:
    // One request and its transfer; returns at the point where the end checks run.
    void attempt();
    bool complete() const {
        return lengthRead_ && FileOpened &&
               ((TotalBytes >= 0 && ResumeOffset == TotalBytes) || (TotalBytes < 0 && cleanEnd_));
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
    TransferRequest request(qint64 offset) const {
        return {item_.url,     credentials_.userName, credentials_.password,
                c_.remotePort, c_.timeoutSecs,        offset};
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
    bool emptyFile_ = false;
    double lastTimeLeft_ = 0;

    QString failure_;  // the last attempt's failure, for the error log
    bool stopBatch_ = false;
    bool abandoned_ = false;
};

TransferOutcome Transfer::run() {
    using Result = TransferOutcome::Result;
    targetName_ = GetPathPart(item_.targetPath, true, false);
    urlName_ = GetPathPart(item_.url, true, true);
    c_.questions.transferStarted();

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
        Resuming = true;
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

    std::unique_ptr<TransferSession> session = c_.transport.start(request(ResumeOffset));
    const auto stop = [this] { return stopped(); };

    for (bool again = true; again;) {
        again = false;
        const TransferSession::Wait wait = session->waitForResponse(stop);
        if (wait == TransferSession::Wait::Stopped) {
            return;
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
            return;
        }

        int status = session->statusCode();
        // Some servers refuse "bytes=0-" on an empty file: that is an empty file.
        emptyFile_ = status == 416 && ResumeOffset == 0 && session->unsatisfiedRangeLength() == 0;
        if (emptyFile_) {
            status = 200;
        }
        const std::optional<qint64> rangeStart = session->rangeStart();
        // A partial answer that does not begin where it was asked to cannot be
        // trusted any more than a whole-file answer to a resume request.
        const bool wrongRange = status == 206 && rangeStart && *rangeStart != ResumeOffset;
        if (Resuming && (status == 200 || wrongRange)) {
            part_.discard();
            FileOpened = false;
            if (!c_.questions.continueWithoutResume()) {
                failFile(LogText::ResumeRefused);
                return;
            }
            Resuming = false;
            ResumeOffset = 0;
            if (wrongRange) {
                // Ask again for the whole file.
                session = c_.transport.start(request(0));
                again = true;
            }
        } else if (status == 204) {
            failFile(LogText::NothingToDownload);
            return;
        } else if (status == 401) {
            failFile(LogText::AuthorizationFailed, true);
            return;
        } else if (status == 404) {
            failFile(LogText::NotFound);
            return;
        } else if ((status != 200 && status != 206) || wrongRange) {
            failFile(LogText::Unexpected, true);
            return;
        }
    }

    if (!Resuming) {
        StartClock = now() - 1;
        TotalBytes = emptyFile_ ? 0 : session->contentLength();
        lengthRead_ = true;
    }

    if (TotalBytes > 0) {
        const std::optional<qint64> free = freeSpace(QFileInfo(item_.targetPath).absolutePath());
        if (free && *free < TotalBytes) {
            failFile(LogText::DiskFull, true);
            return;
        }
    }

    c_.observer.progressReset(TotalBytes);
    c_.transport.processEvents();
    if (!Resuming) {
        ResumeOffset = 0;
    }

    // From here on, errors of the file system abandon the file.
    if (const int error = EnsureFolder(GetPathPart(item_.targetPath, false, false))) {
        failFile(SystemErrorMessage(error));
        return;
    }
    if (const int error = part_.open(!Resuming)) {
        failFile(SystemErrorMessage(error));
        return;
    }
    FileOpened = true;

    for (;;) {
        const TransferSession::Chunk chunk = session->read(stop);
        if (chunk.kind != TransferSession::Chunk::Data) {
            cleanEnd_ = chunk.kind == TransferSession::Chunk::End;
            break;
        }
        if (const int error = part_.write(chunk.data, chunk.size, ResumeOffset)) {
            failFile(SystemErrorMessage(error));
            return;
        }
        if (stopped()) {
            break;
        }
        ResumeOffset += chunk.size;
        const ProgressSnapshot progress{ResumeOffset,         TotalBytes,   now() - StartClock,
                                        targetName_,          item_.number, item_.count};
        c_.observer.progressUpdated(progress);
        lastTimeLeft_ = TimeLeft(progress).value_or(0);
    }
    part_.close();
}

}  // namespace

TransferOutcome DownloadFile(TransferContext& context, const TransferItem& item,
                             const Credentials& credentials) {
    Transfer transfer(context, item, credentials);
    return transfer.run();
}

}  // namespace pg
