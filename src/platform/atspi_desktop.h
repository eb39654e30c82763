#pragma once

#include "desktop/window_tree.h"

#include <QString>

#include <chrono>
#include <memory>
#include <optional>
#include <vector>

namespace pg {

// A top-level window of a program as the accessibility bus (AT-SPI 2) lists it.
struct AtspiWindow {
    std::shared_ptr<void> handle;  // the AtspiAccessible, released with the last copy
    QString name;                  // the title
    std::optional<qint64> processId;
    bool active = false;
};

// The programs on the accessibility bus and their windows. Every call is bounded:
// each request has a time-out, and once the budget set by startBudget() is
// spent the remaining requests fail, so a slow or huge tree cannot freeze the
// caller.
class AtspiDesktop {
public:
    // Connects on the first call, then starts a new budget.
    void startBudget(std::chrono::milliseconds budget = std::chrono::seconds(5));
    // The windows of every program but this one, in the bus's order; only those
    // of one process when it is named.
    std::vector<AtspiWindow> windows(std::optional<qint64> processId = std::nullopt);
    std::unique_ptr<AccessibleNode> root(const AtspiWindow& window);

private:
    bool connected_ = false;
    std::shared_ptr<std::chrono::steady_clock::time_point> deadline_;
};

}  // namespace pg
