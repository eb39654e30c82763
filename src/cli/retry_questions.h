#pragma once

#include "download/transfer_questions.h"

#include <functional>
#include <unordered_map>

namespace pg::cli {

// Answers a transfer's questions without asking anyone, at once, from a
// per-file budget of retries: a broken transfer is retried (and resumes) while
// its budget lasts, and a server that cannot resume makes the file start over,
// which spends a retry as well. Once the user asked to stop, every answer is no.
class RetryBudgetQuestions : public TransferQuestions {
public:
    using StopFn = std::function<bool()>;

    explicit RetryBudgetQuestions(int retries, StopFn stopRequested = {});

    // Gives the file the whole budget.
    void fileStarted(const TransferItem& item) override;
    void fileEnded(const TransferItem& item) override;

    void askContinueWithoutResume(const TransferItem& item, Answer answer) override;
    void askRetryIncomplete(const TransferItem& item, const QString& timeLeftText,
                            Answer answer) override;

private:
    bool spend(const TransferItem& item);

    int retries_;
    std::unordered_map<int, int> used_;  // retries spent per item number of the files under way
    StopFn stopRequested_;
};

}  // namespace pg::cli
