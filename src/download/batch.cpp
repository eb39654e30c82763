#include "download/batch.h"

#include "app/option_rules.h"
#include "download/engine.h"
#include "download/error_log.h"
#include "download/format.h"

namespace pg {

QString BatchText::Success(int count) {
    return QString::number(count) + QStringLiteral(" files downloaded successfully!");
}

QString BatchTargetPath(const QString& directory, const QString& url) {
    return directory + QLatin1Char('/') + GetPathPart(url, true, true);
}

int RunBatch(BatchWindow& window, BatchServices& services, const BatchJob& job) {
    if (job.directory.isEmpty()) {
        window.setStatusText(BatchText::NoDirectory);
        window.focusFolderButton();
        return 0;
    }
    const int itemCount = static_cast<int>(job.urls.size());
    int itemNumber = 0;
    int successCount = 0;
    window.hideMainWindow();

    DownloadFlags& flags = services.flags;
    flags.CancelThis = false;
    flags.DownloadError = false;

    FileErrorLog log;
    log.create(job.errorLogPath);

    DownloadContext context{services.transport,
                            services.view,
                            services.questions,
                            log,
                            flags,
                            RemotePortFromOption(job.remPort),
                            TimeoutSecsFromOption(job.secs),
                            services.freeSpace,
                            {}};
    for (const QString& url : job.urls) {
        ++itemNumber;
        if (DownloadFile(context, url, BatchTargetPath(job.directory, url), job.userName,
                         job.password, itemNumber, itemCount)) {
            ++successCount;
        }
        if (flags.CancelAll) {
            flags.CancelAll = false;
            break;
        }
    }
    log.close();

    window.addPageToHistory();
    window.showMainWindow();
    window.beep();
    if (flags.DownloadError) {
        window.setStatusText(BatchText::Errors);
        flags.DownloadError = false;
        if (window.askToViewErrorLog()) {
            window.openErrorLog(job.errorLogPath);
        }
    } else {
        window.setStatusText(BatchText::Success(successCount));
    }
    return successCount;
}

}  // namespace pg
