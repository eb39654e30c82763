#include "cli/retry_questions.h"

#include <utility>

namespace pg::cli {

RetryBudgetQuestions::RetryBudgetQuestions(int retries, StopFn stopRequested)
    : retries_(retries), stopRequested_(std::move(stopRequested)) {}

bool RetryBudgetQuestions::continueWithoutResume() {
    return spend();
}

bool RetryBudgetQuestions::retryIncomplete(const QString&) {
    return spend();
}

bool RetryBudgetQuestions::spend() {
    if ((stopRequested_ && stopRequested_()) || used_ >= retries_) {
        return false;
    }
    ++used_;
    return true;
}

}  // namespace pg::cli
