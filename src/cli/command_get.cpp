#include "cli/command_get.h"

#include "cli/command_list.h"
#include "cli/interrupt_watch.h"
#include "cli/retry_questions.h"
#include "cli/terminal_progress.h"
#include "download/batch.h"
#include "download/cancel_request.h"
#include "scan/file_list.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

using namespace Qt::StringLiterals;

namespace pg::cli {

namespace {

void WriteErr(const QByteArray& bytes) {
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stderr);
    std::fflush(stderr);
}

int TerminalWidth() {
    winsize size = {};
    if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) {
        return size.ws_col;
    }
    return 80;
}

// Every listed file, or those whose URL contains the text, as the window's
// "Select All Containing" would check them.
QStringList SelectFiles(const QStringList& urls, const QString& contains) {
    if (contains.isEmpty()) {
        return urls;
    }
    FileList list;
    list.setEntries(urls);
    list.SelectAllContaining(contains);
    return list.checkedEntries();
}

}  // namespace

int RunGet(PageFetcher& fetcher, Transport& transport, const CliOptions& options,
           const QString& password, const QString& defaultLogPath) {
    const PageScanResult scan = ScanPageOf(fetcher, options, password);
    if (ReportScanFailure(scan)) {
        return ExitPageFailed;
    }

    TerminalProgress progress(::isatty(STDERR_FILENO) == 1, &WriteErr, TerminalWidth());
    CancelRequest cancel;
    // The engine looks at the request while it waits, which is where the
    // watch's notifier runs.
    InterruptWatch interrupt([&cancel] {
        cancel.CancelThis = true;
        cancel.CancelAll = true;
    });
    RetryBudgetQuestions questions(options.retries,
                                   [&interrupt] { return interrupt.interrupted(); });
    BatchServices services{transport, progress, questions, cancel, {}};

    BatchJob job;
    job.urls = SelectFiles(scan.urls.toStringList(), options.contains);
    job.directory = options.directory;
    job.credentials = {options.userName, password};
    job.pageUrl = options.url;
    job.remotePort = options.port;
    job.timeoutSecs = options.timeoutSecs;
    job.errorLogPath = options.logFile.isEmpty() ? defaultLogPath : options.logFile;
    job.incompleteMessage = u"Download incomplete - no retries left."_s;
    const BatchReport report = RunBatch(services, job);

    if (report.logError != 0) {
        progress.note(u"pagegleaner-cli: cannot %1 the error log %2: %3"_s.arg(
            report.logCreated ? u"write"_s : u"create"_s, job.errorLogPath,
            QString::fromLocal8Bit(std::strerror(report.logError))));
    }
    if (interrupt.interrupted()) {
        progress.note(u"Download interrupted."_s);
        return ExitInterrupted;
    }
    if (report.attempted < report.fileCount) {
        progress.note(u"The remaining %1 file(s) were not downloaded."_s.arg(report.fileCount -
                                                                             report.attempted));
    }
    if (report.errorsLogged > 0) {
        // A log that missed a failure is no place to send anyone to.
        progress.note(u"Errors occurred while downloading - see %1"_s.arg(
            report.logError == 0 ? job.errorLogPath : u"the lines above"_s));
        return ExitFilesFailed;
    }
    progress.note(BatchStatusText(report));
    return ExitOk;
}

}  // namespace pg::cli
