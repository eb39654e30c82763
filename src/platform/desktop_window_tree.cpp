#include "platform/desktop_window_tree.h"

#include "platform/accessibility_bus.h"
#include "platform/x11_windows.h"

#include <algorithm>

namespace pg {

namespace {

// The first window of the list with that title, or of any title when
// anyTitle; null when there is none.
const AtspiWindow* WithTitle(const std::vector<AtspiWindow>& windows, const QString& title,
                             bool anyTitle = false) {
    for (const AtspiWindow& window : windows) {
        if (anyTitle || window.name == title) {
            return &window;
        }
    }
    return nullptr;
}

}  // namespace

DesktopWindowTree::DesktopWindowTree() {
    // A Wayland session may offer an X11 display too, but that one shows only
    // the programs that run through it.
    if (qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        auto x11 = std::make_unique<X11Windows>();
        if (x11->connected()) {
            x11_ = std::move(x11);
        }
    }
}

DesktopWindowTree::~DesktopWindowTree() = default;

std::vector<WindowId> DesktopWindowTree::topLevelWindows() {
    EnableAccessibilityBus();
    atspi_.startBudget();
    std::vector<WindowId> ids;
    if (x11_) {
        for (const quint32 window : x11_->topmostFirst()) {
            ids.push_back(window);
        }
        return ids;
    }
    atspiWindows_ = atspi_.windows();
    std::stable_partition(atspiWindows_.begin(), atspiWindows_.end(),
                          [](const AtspiWindow& window) { return window.active; });
    for (size_t i = 0; i < atspiWindows_.size(); ++i) {
        ids.push_back(i + 1);
    }
    return ids;
}

QString DesktopWindowTree::windowTitle(WindowId window) {
    if (x11_) {
        return x11_->title(static_cast<quint32>(window));
    }
    return window >= 1 && window <= atspiWindows_.size() ? atspiWindows_[window - 1].name
                                                         : QString();
}

std::unique_ptr<AccessibleNode> DesktopWindowTree::accessibleRoot(WindowId window) {
    if (x11_) {
        return rootOfX11Window(window);
    }
    if (window >= 1 && window <= atspiWindows_.size()) {
        return atspi_.root(atspiWindows_[window - 1]);
    }
    return nullptr;
}

std::unique_ptr<AccessibleNode> DesktopWindowTree::rootOfX11Window(WindowId window) {
    const auto x11Window = static_cast<quint32>(window);
    const QString title = x11_->title(x11Window);
    // The window's own process first: its window of that title, else its only
    // or first one (a browser may keep helper windows of the same name).
    if (const std::optional<qint64> process = x11_->processId(x11Window)) {
        const std::vector<AtspiWindow> own = atspi_.windows(process);
        const AtspiWindow* match = WithTitle(own, title);
        if (!match) {
            match = WithTitle(own, title, true);
        }
        if (match) {
            return atspi_.root(*match);
        }
    }
    // A program in a sandbox reports another process number on the bus.
    const std::vector<AtspiWindow> all = atspi_.windows();
    const AtspiWindow* match = WithTitle(all, title);
    return match ? atspi_.root(*match) : nullptr;
}

}  // namespace pg
