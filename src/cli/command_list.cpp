#include "cli/command_list.h"

#include "cli/interrupt_watch.h"
#include "cli/run_loop.h"
#include "cli/terminal_text.h"
#include "download/file_names.h"
#include "scan/page_fetch.h"

#include <unistd.h>

#include <cstdio>

namespace pg::cli {

std::unique_ptr<PageScan> StartPageScan(PageFetcher& fetcher, const CliOptions& options,
                                        const QString& password, PageScan::DoneFn done) {
    auto scan = std::make_unique<PageScan>(
        fetcher,
        PageScanRequest{options.url, options.userName, password, options.allTypes, options.types},
        std::move(done));
    scan->start();
    return scan;
}

int PageScanExit(const PageScanResult& result, const InterruptWatch& interrupt) {
    if (interrupt.interrupted()) {
        std::fputs("Interrupted while retrieving the page.\n", stderr);
        return ExitInterrupted;
    }
    if (result.status == PageScanStatus::Extracted || result.status == PageScanStatus::NoneFound) {
        return ExitOk;
    }
    std::fprintf(stderr, "%s\n", PageScanStatusText(result.status).toLocal8Bit().constData());
    if (!result.failureDetail.isEmpty()) {
        std::fprintf(stderr, "pagegleaner-cli: %s\n",
                     TerminalBytes(result.failureDetail).constData());
    }
    return ExitPageFailed;
}

namespace {

void PrintUrls(const LinkList& urls) {
    const bool terminal = ::isatty(STDOUT_FILENO) == 1;
    for (const QString& url : urls) {
        const QByteArray line = terminal ? TerminalBytes(url) : RequestUrlBytes(url);
        std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), stdout);
        std::fputc('\n', stdout);
    }
    std::fflush(stdout);
}

}  // namespace

int RunList(PageFetcher& fetcher, const CliOptions& options, const QString& password,
            const InterruptWatch& interrupt) {
    std::unique_ptr<PageScan> scan;
    return RunUntilFinished([&](const FinishFn& finish) {
        scan = StartPageScan(fetcher, options, password,
                             [&interrupt, finish](const PageScanResult& result) {
                                 const int exitCode = PageScanExit(result, interrupt);
                                 if (exitCode == ExitOk) {
                                     PrintUrls(result.urls);
                                 }
                                 finish(exitCode);
                             });
    });
}

}  // namespace pg::cli
