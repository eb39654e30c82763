#pragma once

#include "desktop/window_tree.h"
#include "platform/atspi_desktop.h"

#include <memory>
#include <vector>

namespace pg {

class X11Windows;

// The desktop's real windows: on X11 the stacking order of the display and
// each window's controls from the accessibility bus; without X11 (Wayland)
// the accessibility bus alone, its active window first. Each walk first turns
// the accessibility bus on, so browsers started later expose their controls.
class DesktopWindowTree : public WindowTree {
public:
    DesktopWindowTree();
    ~DesktopWindowTree() override;

    std::vector<WindowId> topLevelWindows() override;
    QString windowTitle(WindowId window) override;
    std::unique_ptr<AccessibleNode> accessibleRoot(WindowId window) override;

private:
    std::unique_ptr<AccessibleNode> rootOfX11Window(WindowId window);

    std::unique_ptr<X11Windows> x11_;  // null without an X11 display
    AtspiDesktop atspi_;
    std::vector<AtspiWindow> atspiWindows_;  // the walk's windows without X11
};

}  // namespace pg
