#include "cli/command_get.h"

#include "cli/command_list.h"
#include "cli/interrupt_watch.h"
#include "cli/retry_questions.h"
#include "cli/run_loop.h"
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

namespace {

// What the command line reports after a batch, and its exit code.
int ReportBatch(const BatchReport& report, const QString& logPath, TerminalProgress& progress,
                const InterruptWatch& interrupt) {
    progress.finish();
    if (report.logError != 0) {
        progress.note(u"pagegleaner-cli: cannot %1 the error log %2: %3"_s.arg(
            report.logCreated ? u"write"_s : u"create"_s, logPath,
            QString::fromLocal8Bit(std::strerror(report.logError))));
    }
    if (interrupt.interrupted()) {
        progress.note(u"Download interrupted."_s);
        return ExitInterrupted;
    }
    if (report.skipped > 0) {
        progress.note(
            u"%1 file(s) were not downloaded because their server failed an earlier "
            u"file."_s.arg(report.skipped));
    }
    if (const int remaining = report.fileCount - report.attempted - report.skipped; remaining > 0) {
        progress.note(u"The remaining %1 file(s) were not downloaded."_s.arg(remaining));
    }
    if (report.errorsLogged > 0) {
        // A log that missed a failure is no place to send anyone to.
        progress.note(u"Errors occurred while downloading - see %1"_s.arg(
            report.logError == 0 ? logPath : u"the lines above"_s));
        return ExitFilesFailed;
    }
    progress.note(BatchStatusText(report));
    return ExitOk;
}

}  // namespace

int RunGet(PageFetcher& fetcher, Transport& transport, const CliOptions& options,
           const QString& password, const QString& defaultLogPath, CancelRequest& cancel,
           const InterruptWatch& interrupt) {
    TerminalProgress progress(::isatty(STDERR_FILENO) == 1, &WriteErr, TerminalWidth());
    RetryBudgetQuestions questions(options.retries,
                                   [&interrupt] { return interrupt.interrupted(); });
    const BatchServices services{transport, progress, questions, cancel, {}};
    JobSettings settings;
    settings.url = options.url;
    settings.directory = options.directory;
    settings.userName = options.userName;
    settings.password = password;
    const QString logPath = options.logFile.isEmpty() ? defaultLogPath : options.logFile;

    std::unique_ptr<PageScan> scan;
    std::unique_ptr<BatchRun> batch;
    return RunUntilFinished([&](const FinishFn& finish) {
        const auto scanned = [&, finish](const PageScanResult& result) {
            if (const int exitCode = PageScanExit(result, interrupt); exitCode != ExitOk) {
                finish(exitCode);
                return;
            }
            BatchJob job =
                MakeBatchJob(settings, SelectFiles(result.urls.toStringList(), options.contains),
                             options.port, options.timeoutSecs, logPath);
            job.incompleteMessage = u"Download incomplete - no retries left."_s;
            job.parallel = options.parallel;
            job.refererPageUrl = result.pageUrl;
            batch = std::make_unique<BatchRun>(
                services, std::move(job), [&, finish](const BatchReport& report) {
                    finish(ReportBatch(report, logPath, progress, interrupt));
                });
            batch->start();
        };
        scan = StartPageScan(fetcher, options, password, scanned);
    });
}

}  // namespace pg::cli
