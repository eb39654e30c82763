#include "download/engine.h"

#include "download/error_log.h"
#include "download/format.h"
#include "download/part_file.h"
#include "download/progress_text.h"
#include "download/transfer_questions.h"
#include "download/transport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>
#include <cerrno>
#include <filesystem>

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
    Transfer(DownloadContext& context, const QString& url, const QString& targetPath,
             const QString& userName, const QString& password, int itemNumber, int itemCount)
        : c_(context),
          flags_(context.flags),
          url_(url),
          targetPath_(targetPath),
          userName_(userName),
          password_(password),
          itemNumber_(itemNumber),
          itemCount_(itemCount),
          part_(targetPath) {}

    bool run();

private:
    // One request and its transfer; returns at the point where the end checks run.
    void attempt();
    void log(const QString& message) {
        flags_.DownloadError = true;
        c_.log.append(url_, message);
    }
    void failPhase2(int errorNumber) {
        log(SystemErrorMessage(errorNumber));
        flags_.CancelThis = true;
        part_.close();
    }
    double now() const { return c_.clock ? c_.clock() : SteadySeconds(); }
    std::optional<qint64> freeSpace(const QString& folder) const {
        return c_.freeSpace ? c_.freeSpace(folder) : FreeSpaceFor(folder);
    }
    ProgressSnapshot snapshot() const {
        return {ResumeOffset, TotalBytes, now() - StartClock, targetName_, itemNumber_, itemCount_};
    }

    DownloadContext& c_;
    DownloadFlags& flags_;
    const QString url_;
    const QString targetPath_;
    const QString userName_;
    const QString password_;
    const int itemNumber_;
    const int itemCount_;
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
};

bool Transfer::run() {
    flags_.CancelThis = false;
    flags_.CancelAll = false;
    targetName_ = GetPathPart(targetPath_, true, false);
    urlName_ = GetPathPart(url_, true, true);
    c_.view.open();

    bool result = false;
    for (;;) {
        attempt();
        // End checks.
        const bool complete =
            lengthRead_ && FileOpened &&
            ((TotalBytes >= 0 && ResumeOffset == TotalBytes) || (TotalBytes < 0 && cleanEnd_));
        if (complete) {
            if (const int error = part_.commit(ResumeOffset)) {
                failPhase2(error);
                break;
            }
            c_.view.setStatusText(QStringLiteral("Download completed!"));
            result = true;
            break;
        }
        if (!FileOpened || !part_.exists()) {
            flags_.CancelThis = true;
            break;
        }
        if (flags_.CancelThis) {
            break;
        }
        // The connection ended before the whole file arrived.
        if (!c_.questions.retryIncomplete(FormatTime(lastTimeLeft_))) {
            break;
        }
        Resuming = true;
    }
    if (!result) {
        part_.discard();
    }
    flags_.CancelThis = true;  // lets the progress window close
    c_.view.close();
    return result;
}

void Transfer::attempt() {
    cleanEnd_ = false;
    if (Resuming) {
        c_.view.setStatusText(QStringLiteral("Resuming download..."));
        ResumeOffset = std::max<qint64>(0, ResumeOffset - kResumeOverlap);
    } else {
        c_.view.setStatusText(QStringLiteral("Getting file information..."));
    }
    c_.transport.processEvents();

    TransferRequest request{url_,          userName_,      password_,
                            c_.remotePort, c_.timeoutSecs, ResumeOffset};
    std::unique_ptr<TransferSession> session = c_.transport.start(request);
    const auto stop = [this] { return flags_.CancelThis; };

    for (bool again = true; again;) {
        again = false;
        const TransferSession::Wait wait = session->waitForResponse(stop);
        if (wait == TransferSession::Wait::Stopped) {
            return;
        }
        c_.view.setStatusText(QStringLiteral("Saving:"));
        c_.view.setSourceAndTarget(urlName_, session->remoteHost(), targetPath_);
        if (wait == TransferSession::Wait::Failed) {
            const TransferError error = session->error();
            if (error.noConnection) {
                log(LogText::NoConnection);
                flags_.CancelAll = true;
            } else {
                log(QStringLiteral("Error %1 : %2").arg(error.code).arg(error.text));
            }
            return;
        }

        int status = session->statusCode();
        // Some servers refuse "bytes=0-" on an empty file: that is an empty file.
        const bool emptyFile =
            status == 416 && ResumeOffset == 0 && session->unsatisfiedRangeLength() == 0;
        emptyFile_ = emptyFile;
        if (emptyFile) {
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
                log(LogText::ResumeRefused);
                flags_.CancelThis = true;
                return;
            }
            Resuming = false;
            ResumeOffset = 0;
            if (wrongRange) {
                // Ask again for the whole file.
                session = c_.transport.start(
                    {url_, userName_, password_, c_.remotePort, c_.timeoutSecs, 0});
                again = true;
                continue;
            }
        } else if (status == 204) {
            log(LogText::NothingToDownload);
            flags_.CancelThis = true;
            return;
        } else if (status == 401) {
            log(LogText::AuthorizationFailed);
            flags_.CancelAll = true;
            return;
        } else if (status == 404) {
            log(LogText::NotFound);
            flags_.CancelThis = true;
            return;
        } else if ((status != 200 && status != 206) || wrongRange) {
            log(LogText::Unexpected);
            flags_.CancelAll = true;
            return;
        }
    }

    if (!Resuming) {
        StartClock = now() - 1;
        TotalBytes = emptyFile_ ? 0 : session->contentLength();
        lengthRead_ = true;
    }

    if (TotalBytes > 0) {
        const std::optional<qint64> free = freeSpace(QFileInfo(targetPath_).absolutePath());
        if (free && *free < TotalBytes) {
            log(LogText::DiskFull);
            flags_.CancelAll = true;
            return;
        }
    }

    c_.view.progressReset(TotalBytes);
    c_.transport.processEvents();
    if (!Resuming) {
        ResumeOffset = 0;
    }

    // From here on, errors of the file system abandon the file.
    if (const int error = EnsureFolder(GetPathPart(targetPath_, false, false))) {
        failPhase2(error);
        return;
    }
    if (const int error = part_.open(!Resuming)) {
        failPhase2(error);
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
            failPhase2(error);
            return;
        }
        if (flags_.CancelThis) {
            break;
        }
        ResumeOffset += chunk.size;
        const ProgressSnapshot progress = snapshot();
        c_.view.progressUpdate(progress);
        lastTimeLeft_ = TimeLeft(progress).value_or(0);
    }
    part_.close();
}

}  // namespace

namespace QuestionText {
QString IncompleteText(const QString& timeLeftText) {
    return QStringLiteral(
               "The connection with the server was reset.\n\nClick \"Retry\" to resume "
               "downloading the file.\n(Approximate time remaining: %1)\n\nClick \"Cancel\" to "
               "cancel downloading the file.")
        .arg(timeLeftText);
}
}  // namespace QuestionText

std::optional<qint64> FreeSpaceFor(const QString& path) {
    std::error_code error;
    std::filesystem::path folder = QFile::encodeName(path).toStdString();
    while (!folder.empty() && !std::filesystem::exists(folder, error)) {
        const auto parent = folder.parent_path();
        if (parent == folder) {
            break;
        }
        folder = parent;
    }
    const std::filesystem::space_info info = std::filesystem::space(folder, error);
    if (error) {
        return std::nullopt;
    }
    return static_cast<qint64>(info.available);
}

bool DownloadFile(DownloadContext& context, const QString& url, const QString& targetPath,
                  const QString& userName, const QString& password, int itemNumber, int itemCount) {
    Transfer transfer(context, url, targetPath, userName, password, itemNumber, itemCount);
    return transfer.run();
}

}  // namespace pg
