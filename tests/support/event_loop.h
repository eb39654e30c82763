#pragma once

#include <functional>

namespace pg::test {

// Runs the Qt event loop until predicate() is true or timeoutMs has passed.
// Returns the last value of predicate(). Use it when a test waits for work
// that the event loop drives (queued signals, timers, network replies).
bool RunEventLoopUntil(const std::function<bool()>& predicate, int timeoutMs = 30000);

}  // namespace pg::test
