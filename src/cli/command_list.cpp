#include "cli/command_list.h"

#include <cstdio>

namespace pg::cli {

PageScanResult ScanPageOf(PageFetcher& fetcher, const CliOptions& options,
                          const QString& password) {
    return ScanPage(fetcher, {options.url, options.userName, password, options.allTypes,
                              options.types});
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
        const QByteArray line = url.toLocal8Bit();
        std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), stdout);
        std::fputc('\n', stdout);
    }
    std::fflush(stdout);
    return ExitOk;
}

}  // namespace pg::cli
