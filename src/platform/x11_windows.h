#pragma once

#include <QString>
#include <QtGlobal>

#include <memory>
#include <optional>
#include <vector>

namespace pg {

// The top-level windows of the X11 display named by DISPLAY, read through
// xcb and the window manager's EWMH hints.
class X11Windows {
public:
    X11Windows();
    ~X11Windows();
    X11Windows(const X11Windows&) = delete;
    X11Windows& operator=(const X11Windows&) = delete;

    bool connected() const;
    // Topmost first: the window manager's stacking list, or without a window
    // manager the children of the root window.
    std::vector<quint32> topmostFirst();
    // _NET_WM_NAME, else WM_NAME; empty when the window has neither.
    QString title(quint32 window);
    // _NET_WM_PID, when the window names its process.
    std::optional<qint64> processId(quint32 window);

private:
    struct Connection;
    std::unique_ptr<Connection> x_;
};

}  // namespace pg
