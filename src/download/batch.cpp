#include "download/batch.h"

#include "download/cancel_request.h"
#include "download/error_log.h"
#include "download/file_names.h"
#include "download/format.h"
#include "download/part_file.h"

#include <QUrl>

using namespace Qt::StringLiterals;

namespace pg {

namespace {

// Scheme, host and port, the port a scheme's usual one when the URL names none.
QString Origin(const QString& url) {
    const QUrl parsed(url, QUrl::TolerantMode);
    const QString scheme = parsed.scheme().toLower();
    const int usualPort = scheme == u"https"_s ? 443 : scheme == u"ftp"_s ? 21 : 80;
    return scheme + u"://"_s + parsed.host() + u':' + QString::number(parsed.port(usualPort));
}

}  // namespace

Credentials CredentialsFor(const BatchJob& job, const QString& fileUrl) {
    if (job.pageUrl.isEmpty() || Origin(job.pageUrl) != Origin(fileUrl)) {
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

    TransferContext context{services.transport,
                            services.observer,
                            services.questions,
                            services.cancel,
                            job.remotePort,
                            job.timeoutSecs,
                            services.freeSpace,
                            {}};
    for (const QString& url : job.urls) {
        if (services.cancel.CancelAll) {
            report.cancelled = true;
            break;
        }
        const TransferItem item{url, BatchTargetPath(job.directory, url), ++report.attempted,
                                report.fileCount};
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
        } else if (!outcome.logMessage.isEmpty()) {
            const int error = log.append(url, outcome.logMessage);
            if (report.logError == 0) {
                report.logError = error;
            }
            ++report.errorsLogged;
        }
        services.observer.transferFinished(outcome);
        if (outcome.stopBatch) {
            report.cancelled = services.cancel.CancelAll;
            break;
        }
    }
    if (const int error = log.close(); report.logError == 0) {
        report.logError = error;
    }
    return report;
}

QString BatchStatusText(const BatchReport& report) {
    if (report.errorsLogged > 0) {
        return u"Errors occurred while downloading - please view error log file"_s;
    }
    return QString::number(report.downloaded) + u" files downloaded successfully!"_s;
}

}  // namespace pg
