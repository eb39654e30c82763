#include "cli/command_list.h"

#include "cli/interrupt_watch.h"
#include "cli/terminal_text.h"
#include "scan/page_fetch.h"

#include <cstdio>

namespace pg::cli {

PageScanResult ScanPageOf(PageFetcher& fetcher, const CliOptions& options,
                          const QString& password) {
    // Ctrl+C while the page arrives cancels it: the page counts as not retrieved.
    const InterruptWatch interrupt([&fetcher] { fetcher.cancel(); });
    return ScanPage(fetcher,
                    {options.url, options.userName, password, options.allTypes, options.types});
}

bool ReportScanFailure(const PageScanResult& result) {
    if (result.status == PageScanStatus::Extracted || result.status == PageScanStatus::NoneFound) {
        return false;
    }
    std::fprintf(stderr, "%s\n", PageScanStatusText(result.status).toLocal8Bit().constData());
    return true;
}

int RunList(PageFetcher& fetcher, const CliOptions& options, const QString& password) {
    const PageScanResult result = ScanPageOf(fetcher, options, password);
    if (ReportScanFailure(result)) {
        return ExitPageFailed;
    }
    for (const QString& url : result.urls) {
        const QByteArray line = TerminalBytes(url);
        std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), stdout);
        std::fputc('\n', stdout);
    }
    std::fflush(stdout);
    return ExitOk;
}

}  // namespace pg::cli
