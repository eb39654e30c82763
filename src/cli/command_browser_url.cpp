#include "cli/command_browser_url.h"

#include "cli/cli_options.h"
#include "cli/terminal_text.h"
#include "desktop/browser_url.h"

#include <cstdio>

namespace pg::cli {

int RunBrowserUrl(WindowTree& tree) {
    const BrowserUrlCapture capture = CaptureBrowserUrl(tree);
    if (capture.status != BrowserUrlStatus::Obtained) {
        std::fprintf(stderr, "%s\n",
                     BrowserUrlStatusText(capture.status).toLocal8Bit().constData());
        return ExitNoBrowserUrl;
    }
    std::printf("%s\n", TerminalBytes(capture.url).constData());
    return ExitOk;
}

}  // namespace pg::cli
