#include "cli/retry_questions.h"

#include "download/transfer_observer.h"

#include <utility>

namespace pg::cli {

RetryBudgetQuestions::RetryBudgetQuestions(int retries, StopFn stopRequested)
    : retries_(retries), stopRequested_(std::move(stopRequested)) {}

void RetryBudgetQuestions::fileStarted(const TransferItem& item) {
    used_[item.number] = 0;
}

void RetryBudgetQuestions::fileEnded(const TransferItem& item) {
    used_.erase(item.number);
}

void RetryBudgetQuestions::askContinueWithoutResume(const TransferItem& item, Answer answer) {
    answer(spend(item));
}

void RetryBudgetQuestions::askRetryIncomplete(const TransferItem& item, const QString&,
                                              Answer answer) {
    answer(spend(item));
}

bool RetryBudgetQuestions::spend(const TransferItem& item) {
    int& used = used_[item.number];
    if ((stopRequested_ && stopRequested_()) || used >= retries_) {
        return false;
    }
    ++used;
    return true;
}

}  // namespace pg::cli
