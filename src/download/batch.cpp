#include "download/batch.h"

#include "download/cancel_request.h"
#include "download/error_log.h"
#include "download/file_names.h"
#include "download/format.h"
#include "download/part_file.h"

#include <QFileInfo>
#include <QHash>
#include <QPointer>
#include <QTimer>
#include <QUrl>

#include <unordered_set>

using namespace Qt::StringLiterals;

namespace pg {

namespace {

int UsualPort(const QString& scheme) {
    return scheme == u"https"_s ? 443 : scheme == u"ftp"_s ? 21 : 80;
}

// Scheme, host and port a request for the URL really goes to: its own port,
// else remotePort for http (when given), else the scheme's usual one.
QString Origin(const QString& url, int remotePort = 0) {
    const QUrl parsed(url, QUrl::TolerantMode);
    const QString scheme = parsed.scheme().toLower();
    const int port = scheme == u"http"_s && remotePort > 0 ? remotePort : UsualPort(scheme);
    return scheme + u"://"_s + parsed.host().toLower() + u':' + QString::number(parsed.port(port));
}

// Whether a failure that stops the batch came from a server (its answer or its
// silence) rather than from this machine or the user.
bool ServerFault(const TransferOutcome& outcome) {
    return outcome.cause == FailureCause::AuthorizationFailed ||
           outcome.cause == FailureCause::NoConnection ||
           outcome.cause == FailureCause::UnexpectedStatus;
}

const QString kSkippedText =
    QStringLiteral("Not downloaded: an earlier file from this server failed.");

}  // namespace

Credentials CredentialsFor(const BatchJob& job, const QString& fileUrl) {
    // The page itself is fetched without the remote port setting; the files with it.
    if (job.pageUrl.isEmpty() || Origin(job.pageUrl) != Origin(fileUrl, job.remotePort)) {
        return {};
    }
    return job.credentials;
}

QString RefererFor(const QString& pageUrl, const QString& fileUrl) {
    QUrl page(pageUrl, QUrl::TolerantMode);
    const QString scheme = page.scheme().toLower();
    if (!page.isValid() || pageUrl.isEmpty() || (scheme != u"http"_s && scheme != u"https"_s) ||
        (scheme == u"https"_s &&
         QUrl(fileUrl, QUrl::TolerantMode).scheme().compare(u"https"_s, Qt::CaseInsensitive) !=
             0)) {
        return {};
    }
    page.setUserInfo({});
    page.setFragment({});
    if (Origin(pageUrl) != Origin(fileUrl)) {
        page.setPath(u"/"_s);
        page.setQuery(QString());
    }
    return QString::fromUtf8(page.toEncoded());
}

BatchJob MakeBatchJob(const JobSettings& job, QStringList checkedUrls, int remotePort,
                      int timeoutSecs, QString errorLogPath) {
    BatchJob batch;
    batch.urls = std::move(checkedUrls);
    batch.directory = job.directory;
    batch.credentials = {job.userName, job.password};
    batch.pageUrl = job.url;
    batch.remotePort = remotePort;
    batch.timeoutSecs = timeoutSecs;
    batch.errorLogPath = std::move(errorLogPath);
    return batch;
}

QString BatchTargetPath(const QString& directory, const QString& url) {
    return directory + u'/' + SafeFileName(GetPathPart(url, true));
}

namespace {

// How far past the first waiting file a free slot looks for one that may start
// (the others wait for their server or for a file of the same name).
constexpr int kLookAhead = 256;

}  // namespace

struct BatchRun::Running {
    std::unique_ptr<FileTransfer> transfer;
    QString origin;
    QString listedTarget;
};

BatchRun::BatchRun(const BatchServices& services, BatchJob job, DoneFn done)
    : services_(services),
      job_(std::move(job)),
      done_(std::move(done)),
      context_{services.transport, services.observer, services.questions, services.cancel,
               job_.remotePort,    job_.timeoutSecs,  services.freeSpace, {}},
      pageOrigin_(job_.pageUrl.isEmpty() ? QString() : Origin(job_.pageUrl)),
      state_(static_cast<size_t>(job_.urls.size()), kWaiting) {
    context_.serverBusy = [this](const QString& url) {
        // A busy server gets one connection fewer for the rest of the job.
        const QString origin = Origin(url, job_.remotePort);
        originLimits_[origin] = std::max(1, limitFor(origin) - 1);
    };
    report_.fileCount = static_cast<int>(job_.urls.size());
}

BatchRun::~BatchRun() {
    if (!finished_) {
        services_.cancel.setListener({});
    }
}

void BatchRun::start() {
    report_.logError = log_.create(job_.errorLogPath);
    report_.logCreated = report_.logError == 0;
    services_.cancel.setListener([this] { cancelRequested(); });
    if (services_.cancel.CancelAll) {
        // Stopped before it began (Ctrl+C after the page).
        report_.cancelled = stopping_ = true;
    }
    startMore();
}

int BatchRun::slots() const {
    return std::max(1, job_.parallel);
}

int BatchRun::limitFor(const QString& origin) const {
    const auto it = originLimits_.find(origin);
    return it != originLimits_.end() ? it->second : slots();
}

int BatchRun::nextStartable() const {
    const int end = std::min(static_cast<int>(state_.size()), firstWaiting_ + kLookAhead);
    for (int i = firstWaiting_; i < end; ++i) {
        if (state_[static_cast<size_t>(i)] != kWaiting) {
            continue;
        }
        const QString& url = job_.urls.at(i);
        const QString origin = Origin(url, job_.remotePort);
        if (stoppedOrigins_.contains(origin)) {
            return i;  // skipped at once
        }
        const auto running = perOrigin_.find(origin);
        // A file whose name a file in flight may take waits for it, so that
        // names come out as they would one file after the other.
        if ((running == perOrigin_.end() || running->second < limitFor(origin)) &&
            !targetsInFlight_.contains(BatchTargetPath(job_.directory, url))) {
            return i;
        }
    }
    return -1;
}

void BatchRun::startMore() {
    while (!stopping_ && static_cast<int>(running_.size()) < slots()) {
        const int index = nextStartable();
        if (index < 0) {
            break;
        }
        startFile(index);
        while (firstWaiting_ < static_cast<int>(state_.size()) &&
               state_[static_cast<size_t>(firstWaiting_)] != kWaiting) {
            ++firstWaiting_;
        }
    }
    if (running_.empty()) {
        finish();
    }
}

void BatchRun::startFile(int index) {
    const QString& url = job_.urls.at(index);
    const QString origin = Origin(url, job_.remotePort);
    if (stoppedOrigins_.contains(origin)) {
        ++report_.skipped;
        ++report_.errorsLogged;
        state_[static_cast<size_t>(index)] = kEnded;
        resolve(index, {url, kSkippedText});
        return;
    }
    TransferItem item{.url = url,
                      .targetPath = BatchTargetPath(job_.directory, url),
                      .number = index + 1,
                      .count = report_.fileCount};
    const QString listed = item.targetPath;
    if (written_.contains(qHash(item.targetPath))) {
        // Never replace what this batch wrote; an earlier run's file is replaced.
        item.listedTargetPath = item.targetPath;
        item.targetPath = NumberedTargetPath(item.targetPath, [this](const QString& path) {
            return written_.contains(qHash(path)) || targetsInFlight_.contains(path) ||
                   QFileInfo(path).exists() || QFileInfo(path).isSymLink();
        });
    }
    state_[static_cast<size_t>(index)] = kRunning;
    services_.cancel.CancelThis = false;  // a new file: the last one's cancel is spent
    services_.observer.transferStarted(item);
    if (const int error = CheckFileNameLength(job_.directory, GetPathPart(item.targetPath, true))) {
        TransferOutcome outcome = TransferOutcome::failed(FailureCause::FileSystem);
        outcome.code = error;
        recordEnd(index, item, outcome);
        return;
    }
    auto running = std::make_unique<Running>();
    running->origin = origin;
    running->listedTarget = listed;
    targetsInFlight_.insert(item.targetPath);
    targetsInFlight_.insert(listed);
    ++perOrigin_[origin];
    running->transfer = std::make_unique<FileTransfer>(
        context_, item, CredentialsFor(job_, url),
        RefererFor(job_.refererPageUrl.isEmpty() ? job_.pageUrl : job_.refererPageUrl, url),
        [this, index](const TransferOutcome& outcome) { fileDone(index, outcome); });
    FileTransfer& transfer = *running->transfer;
    running_[index] = std::move(running);
    transfer.start();
}

void BatchRun::fileDone(int index, const TransferOutcome& outcome) {
    const auto it = running_.find(index);
    if (it == running_.end()) {
        return;
    }
    std::unique_ptr<Running> running = std::move(it->second);
    running_.erase(it);
    const TransferItem item = running->transfer->item();
    --perOrigin_[running->origin];
    targetsInFlight_.erase(item.targetPath);
    targetsInFlight_.erase(running->listedTarget);
    recordEnd(index, item, outcome);
    if (outcome.stopBatch) {
        // A server other than the page's ends only its own files: the job's
        // credentials never went there, so its refusal says nothing of the rest.
        const QString cause =
            Origin(outcome.lastUrl.isEmpty() ? item.url : outcome.lastUrl, job_.remotePort);
        if (!services_.cancel.CancelAll && ServerFault(outcome) && !pageOrigin_.isEmpty() &&
            cause != pageOrigin_) {
            stoppedOrigins_.insert(cause);
        } else {
            report_.cancelled = report_.cancelled || services_.cancel.CancelAll;
            stopAfter(index);
        }
    }
    startMore();
}

void BatchRun::recordEnd(int index, const TransferItem& item, const TransferOutcome& outcome) {
    state_[static_cast<size_t>(index)] = kEnded;
    ++report_.attempted;
    QStringList lines;
    const QString message = outcome.result == TransferOutcome::Result::Incomplete
                                ? job_.incompleteMessage
                                : LogMessage(outcome);
    if (outcome.completed()) {
        ++report_.downloaded;
        written_.insert(qHash(item.targetPath));
        if (!item.listedTargetPath.isEmpty()) {
            lines = QStringList{item.url, SavedUnderText(item)};
        }
    } else if (!message.isEmpty()) {
        lines = QStringList{item.url, message};
        ++report_.errorsLogged;
    }
    services_.observer.transferFinished(item, outcome);
    resolve(index, std::move(lines));
}

void BatchRun::cancelRequested() {
    if (services_.cancel.CancelAll) {
        report_.cancelled = true;
        stopping_ = true;
    }
    // Every file in flight stops; with "Cancel this download" the batch goes on.
    for (auto& [index, running] : running_) {
        running->transfer->stop();
    }
}

void BatchRun::stopAfter(int index) {
    stopping_ = true;
    // Files after the one that ended the batch are not tried, as if they had
    // never started: those in flight stop without a line in the log.
    for (auto it = running_.upper_bound(index); it != running_.end();) {
        state_[static_cast<size_t>(it->first)] = kWaiting;
        it = running_.erase(it);
    }
}

void BatchRun::resolve(int index, QStringList logLines) {
    if (!logLines.isEmpty()) {
        pendingLines_[index] = std::move(logLines);
    }
    // Lines go to the log in the order of the list.
    while (nextToLog_ < static_cast<int>(state_.size()) &&
           state_[static_cast<size_t>(nextToLog_)] == kEnded) {
        const auto it = pendingLines_.find(nextToLog_);
        if (it != pendingLines_.end()) {
            writeLines(it->second);
            pendingLines_.erase(it);
        }
        ++nextToLog_;
    }
}

void BatchRun::writeLines(const QStringList& lines) {
    for (qsizetype i = 0; i + 1 < lines.size(); i += 2) {
        const int error = log_.append(lines.at(i), lines.at(i + 1));
        if (report_.logError == 0) {
            report_.logError = error;
        }
    }
}

void BatchRun::finish() {
    if (finished_) {
        return;
    }
    finished_ = true;
    // Lines of files that ended after one that never ran.
    for (const auto& [index, lines] : pendingLines_) {
        writeLines(lines);
    }
    pendingLines_.clear();
    if (const int error = log_.close(); report_.logError == 0) {
        report_.logError = error;
    }
    services_.cancel.setListener({});
    // From the event loop, without this run as the receiver, so that the owner
    // may destroy it in done.
    QTimer::singleShot(0, [run = QPointer<BatchRun>(this), done = done_, report = report_] {
        if (run) {
            done(report);
        }
    });
}

QString SavedUnderText(const TransferItem& item) {
    return u"Saved as \"%1\": an earlier file of this batch is \"%2\"."_s.arg(
        GetPathPart(item.targetPath, true), GetPathPart(item.listedTargetPath, true));
}

QString BatchStatusText(const BatchReport& report) {
    if (report.errorsLogged > 0) {
        return u"Errors occurred while downloading - please view error log file"_s;
    }
    return QString::number(report.downloaded) + u" files downloaded successfully!"_s;
}

}  // namespace pg
