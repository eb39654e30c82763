#pragma once

#include "download/transfer_questions.h"

#include <functional>

namespace pg::cli {

// Answers a transfer's questions without asking anyone, from a per-file budget
// of retries: a broken transfer is retried (and resumes) while the budget
// lasts, and a server that cannot resume makes the file start over, which
// spends a retry as well. Once the user asked to stop, every answer is no.
class RetryBudgetQuestions : public TransferQuestions {
public:
    using StopFn = std::function<bool()>;

    explicit RetryBudgetQuestions(int retries, StopFn stopRequested = {});

    // Gives the next file the whole budget again.
    void transferStarted() override { used_ = 0; }

    bool continueWithoutResume() override;
    bool retryIncomplete(const QString& timeLeftText) override;

private:
    bool spend();

    int retries_;
    int used_ = 0;
    StopFn stopRequested_;
};

}  // namespace pg::cli
