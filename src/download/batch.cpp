#include "download/batch.h"

#include "download/cancel_request.h"
#include "download/error_log.h"
#include "download/format.h"

using namespace Qt::StringLiterals;

namespace pg {

QString BatchTargetPath(const QString& directory, const QString& url) {
    return directory + u'/' + GetPathPart(url, true, true);
}

BatchReport RunBatch(BatchServices& services, const BatchJob& job) {
    BatchReport report;
    report.fileCount = static_cast<int>(job.urls.size());

    FileErrorLog log;
    report.logCreated = log.create(job.errorLogPath);

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
        TransferOutcome outcome = DownloadFile(context, item, job.credentials);
        if (outcome.result == TransferOutcome::Result::Incomplete) {
            outcome.logMessage = job.incompleteMessage;
        }
        if (outcome.completed()) {
            ++report.downloaded;
        } else if (!outcome.logMessage.isEmpty()) {
            log.append(url, outcome.logMessage);
            ++report.errorsLogged;
        }
        services.observer.transferFinished(outcome);
        if (outcome.stopBatch) {
            report.cancelled = services.cancel.CancelAll;
            break;
        }
    }
    log.close();
    return report;
}

QString BatchStatusText(const BatchReport& report) {
    if (report.errorsLogged > 0) {
        return u"Errors occurred while downloading - please view error log file"_s;
    }
    return QString::number(report.downloaded) + u" files downloaded successfully!"_s;
}

}  // namespace pg
