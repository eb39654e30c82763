#pragma once

#include <functional>

namespace pg::test {

// Runs the Qt event loop until predicate() is true or timeoutMs has passed.
// Returns the last value of predicate(). Use it when a test waits for work
// that the event loop drives (the in-process HTTP server, queued signals).
bool RunEventLoopUntil(const std::function<bool()>& predicate, int timeoutMs = 30000);

// Runs the event loop for about ms milliseconds. Only for giving a server time
// to do something that must *not* happen; never as a wait for correctness.
void RunEventLoopFor(int ms);

}  // namespace pg::test
