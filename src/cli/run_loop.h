#pragma once

#include <functional>

namespace pg::cli {

// Runs the program's one event loop: `start` sets the work going and hands the
// exit code to `finish` when it is done, which ends the loop. Returns that code.
using FinishFn = std::function<void(int exitCode)>;
int RunUntilFinished(const std::function<void(const FinishFn& finish)>& start);

}  // namespace pg::cli
