#pragma once

namespace pg {
class WindowTree;
}

namespace pg::cli {

// pagegleaner-cli browser-url: prints the address of the page the topmost
// browser window shows, or the reason why there is none on stderr.
int RunBrowserUrl(WindowTree& tree);

}  // namespace pg::cli
