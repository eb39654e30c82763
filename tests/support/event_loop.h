#pragma once

#include <QTest>

#include <functional>

namespace pg::test {

// Runs the Qt event loop until predicate() is true or timeoutMs has passed;
// returns the last value of predicate().
inline bool RunEventLoopUntil(const std::function<bool()>& predicate, int timeoutMs = 30000) {
    return QTest::qWaitFor(predicate, timeoutMs);
}

}  // namespace pg::test
