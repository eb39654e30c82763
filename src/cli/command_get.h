#pragma once

#include "cli/cli_options.h"

namespace pg {
class CancelRequest;
class PageFetcher;
class Transport;
}  // namespace pg

namespace pg::cli {

class InterruptWatch;

// pagegleaner-cli get: scans the page, then downloads every listed file (or
// those whose URL contains --contains) into --dir with the window's batch.
// Broken transfers are retried from the --retries budget without asking;
// failures go to the error log (--log, else defaultLogPath); progress goes to
// stderr. `cancel` is the request that the interrupt watch sets on Ctrl+C: it
// cancels the current file and ends the batch. Returns the exit code.
int RunGet(PageFetcher& fetcher, Transport& transport, const CliOptions& options,
           const QString& password, const QString& defaultLogPath, CancelRequest& cancel,
           const InterruptWatch& interrupt);

}  // namespace pg::cli
