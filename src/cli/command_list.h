#pragma once

#include "cli/cli_options.h"

#include <QStringList>

namespace pg {
class PageFetcher;
}

namespace pg::cli {

// Scans the page as "6) &Extract file URLs" does. On success `urls` holds the
// list the window would show; otherwise `failure` holds the window's status text.
struct ScanOutcome {
    bool retrieved = false;
    QStringList urls;
    QString failure;
};
ScanOutcome ScanPage(PageFetcher& fetcher, const CliOptions& options, const QString& password);

// pagegleaner-cli list: prints each file URL on its own line.
int RunList(PageFetcher& fetcher, const CliOptions& options, const QString& password);

}  // namespace pg::cli
