#pragma once

#include "cli/cli_options.h"
#include "scan/page_scan.h"

#include <memory>

namespace pg {
class PageFetcher;
}

namespace pg::cli {

class InterruptWatch;

// Starts scanning the page of the options as "6) &Extract file URLs" does;
// the scan must live until `done`.
std::unique_ptr<PageScan> StartPageScan(PageFetcher& fetcher, const CliOptions& options,
                                        const QString& password, PageScan::DoneFn done);

// The exit code after a page scan: ExitOk when the page was scanned, else the
// reason on stderr (the window's status text and what really went wrong) and
// ExitInterrupted or ExitPageFailed.
int PageScanExit(const PageScanResult& result, const InterruptWatch& interrupt);

// pagegleaner-cli list: prints each file URL on its own line. On a terminal
// its control characters show as visible escapes; into a pipe or a file each
// URL is written as a request sends it, so that other programs fetch the same
// files.
int RunList(PageFetcher& fetcher, const CliOptions& options, const QString& password,
            const InterruptWatch& interrupt);

}  // namespace pg::cli
