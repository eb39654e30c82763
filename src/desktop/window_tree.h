#pragma once

#include <QString>
#include <QtGlobal>

#include <memory>
#include <vector>

namespace pg {

// One element of another program's window as its accessibility interface
// shows it. Every call may fail; a failed call gives an empty answer.
class AccessibleNode {
public:
    enum class Role {
        Other,
        EditableText,  // a text field the user can type into (an address bar)
        Document,      // the page a browser shows
    };

    virtual ~AccessibleNode() = default;
    virtual Role role() = 0;
    // The whole text of an editable text field.
    virtual QString text() = 0;
    // The URL of the page a document node shows, where the browser exposes it.
    virtual QString documentUrl() = 0;
    // The direct children, in order.
    virtual std::vector<std::unique_ptr<AccessibleNode>> children() = 0;
};

// An opaque window handle of the platform.
using WindowId = quint64;

// The top-level windows of the desktop and the elements inside them.
class WindowTree {
public:
    virtual ~WindowTree() = default;
    // Every top-level window, topmost first, hidden and minimised ones and this
    // program's own included.
    virtual std::vector<WindowId> topLevelWindows() = 0;
    virtual QString windowTitle(WindowId window) = 0;
    // The root of the window's accessibility tree; null when none is exposed.
    virtual std::unique_ptr<AccessibleNode> accessibleRoot(WindowId window) = 0;
};

}  // namespace pg
