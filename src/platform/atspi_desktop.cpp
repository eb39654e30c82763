#include "platform/atspi_desktop.h"

#include <atspi/atspi.h>

#include <QCoreApplication>

using namespace Qt::StringLiterals;

namespace pg {

namespace {

using Clock = std::chrono::steady_clock;
using Deadline = std::shared_ptr<Clock::time_point>;

// Each request waits one second at most; a program still starting gets two.
constexpr int kRequestTimeoutMs = 1000;
constexpr int kStartupTimeoutMs = 2000;

bool Expired(const Deadline& deadline) {
    return !deadline || Clock::now() >= *deadline;
}

// Collects a GError and frees it.
class ErrorSlot {
public:
    ~ErrorSlot() { g_clear_error(&error_); }
    GError** operator&() { return &error_; }
    bool failed() const { return error_ != nullptr; }

private:
    GError* error_ = nullptr;
};

std::shared_ptr<void> Own(gpointer object) {
    return object ? std::shared_ptr<void>(object, g_object_unref) : nullptr;
}

// A UTF-8 text of the library, freed after conversion.
QString TakeText(gchar* text) {
    QString result = QString::fromUtf8(text);
    g_free(text);
    return result;
}

std::vector<std::shared_ptr<void>> ChildrenOf(AtspiAccessible* parent) {
    std::vector<std::shared_ptr<void>> children;
    ErrorSlot error;
    const gint count = atspi_accessible_get_child_count(parent, &error);
    for (gint i = 0; !error.failed() && i < count; ++i) {
        ErrorSlot childError;
        if (auto child = Own(atspi_accessible_get_child_at_index(parent, i, &childError))) {
            children.push_back(std::move(child));
        }
    }
    return children;
}

bool HasState(AtspiAccessible* accessible, AtspiStateType state) {
    AtspiStateSet* states = atspi_accessible_get_state_set(accessible);
    const bool has = states && atspi_state_set_contains(states, state);
    if (states) {
        g_object_unref(states);
    }
    return has;
}

class AtspiNode : public AccessibleNode {
public:
    AtspiNode(std::shared_ptr<void> accessible, Deadline deadline)
        : accessible_(std::move(accessible)), deadline_(std::move(deadline)) {}

    Role role() override {
        if (Expired(deadline_)) {
            return Role::Other;
        }
        ErrorSlot error;
        switch (atspi_accessible_get_role(self(), &error)) {
            case ATSPI_ROLE_ENTRY:
                return Role::EditableText;
            case ATSPI_ROLE_TEXT:
                return HasState(self(), ATSPI_STATE_EDITABLE) ? Role::EditableText : Role::Other;
            case ATSPI_ROLE_DOCUMENT_WEB:
            case ATSPI_ROLE_DOCUMENT_FRAME:
                return Role::Document;
            default:
                return Role::Other;
        }
    }

    QString text() override {
        if (Expired(deadline_)) {
            return {};
        }
        const std::shared_ptr<void> text = Own(atspi_accessible_get_text_iface(self()));
        if (!text) {
            return {};
        }
        auto* iface = static_cast<AtspiText*>(text.get());
        ErrorSlot error;
        const gint length = atspi_text_get_character_count(iface, &error);
        if (error.failed() || length <= 0) {
            return {};
        }
        ErrorSlot textError;
        return TakeText(atspi_text_get_text(iface, 0, length, &textError));
    }

    QString documentUrl() override {
        if (Expired(deadline_)) {
            return {};
        }
        const std::shared_ptr<void> document = Own(atspi_accessible_get_document_iface(self()));
        if (!document) {
            return {};
        }
        // Chromium names the attribute "URI", Firefox "DocURL".
        for (const char* name : {"URI", "DocURL"}) {
            ErrorSlot error;
            const QString url = TakeText(atspi_document_get_document_attribute_value(
                static_cast<AtspiDocument*>(document.get()), const_cast<gchar*>(name), &error));
            if (!url.isEmpty()) {
                return url;
            }
        }
        return {};
    }

    std::vector<std::unique_ptr<AccessibleNode>> children() override {
        std::vector<std::unique_ptr<AccessibleNode>> nodes;
        if (Expired(deadline_)) {
            return nodes;
        }
        for (auto& child : ChildrenOf(self())) {
            nodes.push_back(std::make_unique<AtspiNode>(std::move(child), deadline_));
        }
        return nodes;
    }

private:
    AtspiAccessible* self() const { return static_cast<AtspiAccessible*>(accessible_.get()); }

    std::shared_ptr<void> accessible_;
    Deadline deadline_;
};

}  // namespace

void AtspiDesktop::startBudget(std::chrono::milliseconds budget) {
    // The library keeps one connection per process, made at the first walk;
    // 1 means it was made before.
    static const bool initialised = [] {
        const int status = atspi_init();
        atspi_set_timeout(kRequestTimeoutMs, kStartupTimeoutMs);
        return status == 0 || status == 1;
    }();
    connected_ = initialised;
    deadline_ = std::make_shared<Clock::time_point>(Clock::now() + budget);
}

std::vector<AtspiWindow> AtspiDesktop::windows(std::optional<qint64> processId) {
    std::vector<AtspiWindow> windows;
    if (!connected_ || Expired(deadline_)) {
        return windows;
    }
    const std::shared_ptr<void> desktop = Own(atspi_get_desktop(0));
    if (!desktop) {
        return windows;
    }
    const qint64 ownProcess = QCoreApplication::applicationPid();
    for (const auto& app : ChildrenOf(static_cast<AtspiAccessible*>(desktop.get()))) {
        if (Expired(deadline_)) {
            break;
        }
        auto* application = static_cast<AtspiAccessible*>(app.get());
        ErrorSlot pidError;
        const guint pid = atspi_accessible_get_process_id(application, &pidError);
        const std::optional<qint64> appProcess =
            pidError.failed() || pid == 0 ? std::nullopt : std::optional<qint64>(pid);
        // This program cannot answer its own requests while it waits for them.
        if (appProcess == ownProcess || (processId && appProcess != processId)) {
            continue;
        }
        for (auto& frame : ChildrenOf(application)) {
            auto* accessible = static_cast<AtspiAccessible*>(frame.get());
            ErrorSlot nameError;
            QString name = TakeText(atspi_accessible_get_name(accessible, &nameError));
            const bool active = HasState(accessible, ATSPI_STATE_ACTIVE);
            windows.push_back({std::move(frame), std::move(name), appProcess, active});
        }
    }
    return windows;
}

std::unique_ptr<AccessibleNode> AtspiDesktop::root(const AtspiWindow& window) {
    if (!window.handle) {
        return nullptr;
    }
    return std::make_unique<AtspiNode>(window.handle, deadline_);
}

}  // namespace pg
