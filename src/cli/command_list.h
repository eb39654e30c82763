#pragma once

#include "cli/cli_options.h"
#include "scan/page_scan.h"

namespace pg {
class PageFetcher;
}

namespace pg::cli {

// Scans the page of the options as "6) &Extract file URLs" does.
PageScanResult ScanPageOf(PageFetcher& fetcher, const CliOptions& options,
                          const QString& password);

// When the page could not be fetched, prints the window's status text for it on
// stderr and returns true.
bool ReportScanFailure(const PageScanResult& result);

// pagegleaner-cli list: prints each file URL on its own line.
int RunList(PageFetcher& fetcher, const CliOptions& options, const QString& password);

}  // namespace pg::cli
