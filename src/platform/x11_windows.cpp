#include "platform/x11_windows.h"

#include <xcb/xcb.h>
#include <xcb/xcb_ewmh.h>

#include <algorithm>
#include <cstdlib>

namespace pg {

struct X11Windows::Connection {
    xcb_connection_t* xcb = nullptr;
    xcb_ewmh_connection_t ewmh{};
    int screen = 0;
    bool ewmhReady = false;
};

X11Windows::X11Windows() : x_(std::make_unique<Connection>()) {
    xcb_connection_t* c = xcb_connect(nullptr, &x_->screen);
    if (xcb_connection_has_error(c) != 0) {
        xcb_disconnect(c);
        return;
    }
    x_->xcb = c;
    xcb_intern_atom_cookie_t* cookies = xcb_ewmh_init_atoms(c, &x_->ewmh);
    x_->ewmhReady = cookies && xcb_ewmh_init_atoms_replies(&x_->ewmh, cookies, nullptr) != 0;
}

X11Windows::~X11Windows() {
    if (x_->ewmhReady) {
        xcb_ewmh_connection_wipe(&x_->ewmh);
    }
    if (x_->xcb) {
        xcb_disconnect(x_->xcb);
    }
}

bool X11Windows::connected() const {
    return x_->xcb != nullptr;
}

std::vector<quint32> X11Windows::topmostFirst() {
    std::vector<quint32> windows;
    if (!x_->xcb) {
        return windows;
    }
    // The stacking list runs bottom to top.
    if (x_->ewmhReady) {
        xcb_ewmh_get_windows_reply_t list;
        if (xcb_ewmh_get_client_list_stacking_reply(
                &x_->ewmh, xcb_ewmh_get_client_list_stacking(&x_->ewmh, x_->screen), &list,
                nullptr) != 0) {
            windows.assign(list.windows, list.windows + list.windows_len);
            xcb_ewmh_get_windows_reply_wipe(&list);
        }
    }
    // Without a window manager the root window's children are the top-level
    // windows, also bottom first.
    if (windows.empty()) {
        const xcb_setup_t* setup = xcb_get_setup(x_->xcb);
        xcb_screen_iterator_t it = xcb_setup_roots_iterator(setup);
        for (int i = 0; i < x_->screen && it.rem > 0; ++i) {
            xcb_screen_next(&it);
        }
        if (it.rem > 0) {
            xcb_query_tree_reply_t* tree =
                xcb_query_tree_reply(x_->xcb, xcb_query_tree(x_->xcb, it.data->root), nullptr);
            if (tree) {
                const xcb_window_t* children = xcb_query_tree_children(tree);
                windows.assign(children, children + xcb_query_tree_children_length(tree));
                std::free(tree);
            }
        }
    }
    std::reverse(windows.begin(), windows.end());
    return windows;
}

QString X11Windows::title(quint32 window) {
    if (!x_->xcb) {
        return {};
    }
    if (x_->ewmhReady) {
        xcb_ewmh_get_utf8_strings_reply_t name;
        if (xcb_ewmh_get_wm_name_reply(&x_->ewmh, xcb_ewmh_get_wm_name(&x_->ewmh, window), &name,
                                       nullptr) != 0) {
            QString text = QString::fromUtf8(name.strings, name.strings_len);
            xcb_ewmh_get_utf8_strings_reply_wipe(&name);
            if (!text.isEmpty()) {
                return text;
            }
        }
    }
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        x_->xcb,
        xcb_get_property(x_->xcb, 0, window, XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY, 0, 4096),
        nullptr);
    if (!reply) {
        return {};
    }
    const auto* bytes = static_cast<const char*>(xcb_get_property_value(reply));
    const int length = xcb_get_property_value_length(reply);
    // WM_NAME is Latin-1 (STRING) unless the client wrote UTF-8 into it.
    QString text = x_->ewmhReady && reply->type == x_->ewmh.UTF8_STRING
                       ? QString::fromUtf8(bytes, length)
                       : QString::fromLatin1(bytes, length);
    std::free(reply);
    return text;
}

std::optional<qint64> X11Windows::processId(quint32 window) {
    quint32 pid = 0;
    if (x_->ewmhReady &&
        xcb_ewmh_get_wm_pid_reply(&x_->ewmh, xcb_ewmh_get_wm_pid(&x_->ewmh, window), &pid,
                                  nullptr) != 0 &&
        pid != 0) {
        return pid;
    }
    return std::nullopt;
}

}  // namespace pg
