#include "download/batch.h"

#include "download/cancel_request.h"
#include "download/error_log.h"
#include "download/file_names.h"
#include "download/format.h"
#include "download/part_file.h"

#include <QFileInfo>
#include <QHash>
#include <QUrl>

#include <set>
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

// Whether a failure that stops the batch came from the file's server (its
// answer or its silence) rather than from this machine or the user.
bool ServerFault(const TransferOutcome& outcome, const CancelRequest& cancel) {
    return !cancel.CancelAll && outcome.logMessage != LogText::DiskFull;
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

QString BatchTargetPath(const QString& directory, const QString& url) {
    return directory + u'/' + SafeFileName(GetPathPart(url, true, true));
}

BatchReport RunBatch(BatchServices& services, const BatchJob& job) {
    BatchReport report;
    report.fileCount = static_cast<int>(job.urls.size());

    FileErrorLog log;
    report.logError = log.create(job.errorLogPath);
    report.logCreated = report.logError == 0;
    const auto logLines = [&](const QString& url, const QString& message) {
        const int error = log.append(url, message);
        if (report.logError == 0) {
            report.logError = error;
        }
    };

    TransferContext context{
        services.transport, services.observer, services.questions, services.cancel,
        job.remotePort,     job.timeoutSecs,   services.freeSpace, {}};
    const QString pageOrigin = job.pageUrl.isEmpty() ? QString() : Origin(job.pageUrl);
    std::set<QString> stoppedOrigins;  // servers that failed a file in a way that hits them all
    // Targets this batch has filled, by a 64-bit hash each, so that a batch of a
    // hundred thousand files keeps a few megabytes for them, not their paths.
    std::unordered_set<size_t> written;
    int number = 0;
    for (const QString& url : job.urls) {
        if (services.cancel.CancelAll) {
            report.cancelled = true;
            break;
        }
        ++number;
        const QString origin = Origin(url, job.remotePort);
        if (stoppedOrigins.contains(origin)) {
            ++report.skipped;
            ++report.errorsLogged;
            logLines(url, kSkippedText);
            continue;
        }
        TransferItem item{.url = url,
                          .targetPath = BatchTargetPath(job.directory, url),
                          .number = number,
                          .count = report.fileCount};
        if (written.contains(qHash(item.targetPath))) {
            // Never replace what this batch wrote; an earlier run's file is replaced.
            item.listedTargetPath = item.targetPath;
            item.targetPath = NumberedTargetPath(item.targetPath, [&](const QString& path) {
                return written.contains(qHash(path)) || QFileInfo(path).exists() ||
                       QFileInfo(path).isSymLink();
            });
        }
        ++report.attempted;
        services.observer.transferStarted(item);
        TransferOutcome outcome;
        if (const int error =
                CheckFileNameLength(job.directory, GetPathPart(item.targetPath, true, false))) {
            outcome.logMessage = SystemErrorMessage(error);
        } else {
            outcome = DownloadFile(context, item, CredentialsFor(job, url));
        }
        if (outcome.result == TransferOutcome::Result::Incomplete) {
            outcome.logMessage = job.incompleteMessage;
        }
        if (outcome.completed()) {
            ++report.downloaded;
            written.insert(qHash(item.targetPath));
            if (!item.listedTargetPath.isEmpty()) {
                logLines(url, SavedUnderText(item));
            }
        } else if (!outcome.logMessage.isEmpty()) {
            logLines(url, outcome.logMessage);
            ++report.errorsLogged;
        }
        services.observer.transferFinished(outcome);
        if (outcome.stopBatch) {
            // A server other than the page's ends only its own files: the job's
            // credentials never went there, so its refusal says nothing of the rest.
            if (origin != pageOrigin && !pageOrigin.isEmpty() &&
                ServerFault(outcome, services.cancel)) {
                stoppedOrigins.insert(origin);
                continue;
            }
            report.cancelled = services.cancel.CancelAll;
            break;
        }
    }
    if (const int error = log.close(); report.logError == 0) {
        report.logError = error;
    }
    return report;
}

QString SavedUnderText(const TransferItem& item) {
    return u"Saved as \"%1\": an earlier file of this batch is \"%2\"."_s.arg(
        GetPathPart(item.targetPath, true, false), GetPathPart(item.listedTargetPath, true, false));
}

QString BatchStatusText(const BatchReport& report) {
    if (report.errorsLogged > 0) {
        return u"Errors occurred while downloading - please view error log file"_s;
    }
    return QString::number(report.downloaded) + u" files downloaded successfully!"_s;
}

}  // namespace pg
