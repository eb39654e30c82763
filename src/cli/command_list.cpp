#include "cli/command_list.h"

#include "cli/interrupt_watch.h"
#include "cli/terminal_text.h"
#include "download/file_names.h"
#include "scan/page_fetch.h"

#include <unistd.h>

#include <cstdio>

namespace pg::cli {

PageScanResult ScanPageOf(PageFetcher& fetcher, const CliOptions& options,
                          const QString& password) {
    return ScanPage(fetcher,
                    {options.url, options.userName, password, options.allTypes, options.types});
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

int RunList(PageFetcher& fetcher, const CliOptions& options, const QString& password,
            const InterruptWatch& interrupt) {
    const PageScanResult result = ScanPageOf(fetcher, options, password);
    if (const int exitCode = PageScanExit(result, interrupt); exitCode != ExitOk) {
        return exitCode;
    }
    const bool terminal = ::isatty(STDOUT_FILENO) == 1;
    for (const QString& url : result.urls) {
        const QByteArray line = terminal ? TerminalBytes(url) : RequestUrlBytes(url);
        std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), stdout);
        std::fputc('\n', stdout);
    }
    std::fflush(stdout);
    return ExitOk;
}

}  // namespace pg::cli
