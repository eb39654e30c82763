#include "cli/retry_questions.h"

#include <gtest/gtest.h>

#include <QString>

namespace pg::cli {
namespace {

// One question in a scripted sequence: 'r' a broken transfer, 's' a server
// that cannot resume; the answers the budget gives, as 'y' or 'n'.
std::string Answer(RetryBudgetQuestions& questions, const std::string& asked) {
    std::string answers;
    for (char q : asked) {
        const bool yes = q == 'r' ? questions.retryIncomplete(QStringLiteral("3 sec"))
                                  : questions.continueWithoutResume();
        answers += yes ? 'y' : 'n';
    }
    return answers;
}

TEST(RetryBudgetQuestions, EveryRetryAndStartOverSpendsTheFilesBudget) {
    const struct {
        int retries;
        const char* asked;
        const char* answers;
    } cases[] = {
        {0, "r", "n"},
        {0, "s", "n"},
        {1, "rr", "yn"},
        {3, "rrrr", "yyyn"},
        // A resume refused by the server: the start-over is a retry of its own.
        {3, "rsrs", "yyyn"},
        {2, "rs", "yy"},
        {1, "rs", "yn"},
    };
    for (const auto& c : cases) {
        RetryBudgetQuestions questions(c.retries);
        EXPECT_EQ(Answer(questions, c.asked), c.answers)
            << c.retries << " retries, asked " << c.asked;
    }
}

TEST(RetryBudgetQuestions, EachFileStartsWithTheWholeBudget) {
    RetryBudgetQuestions questions(2);
    EXPECT_EQ(Answer(questions, "rrr"), "yyn");
    EXPECT_EQ(questions.retriesUsed(), 2);
    questions.startFile();
    EXPECT_EQ(questions.retriesUsed(), 0);
    EXPECT_EQ(Answer(questions, "rsr"), "yyn");
}

TEST(RetryBudgetQuestions, NothingIsRetriedOnceAStopWasAsked) {
    bool stop = false;
    RetryBudgetQuestions questions(5, [&stop] { return stop; });
    EXPECT_EQ(Answer(questions, "r"), "y");
    stop = true;
    EXPECT_EQ(Answer(questions, "rs"), "nn");
    EXPECT_EQ(questions.retriesUsed(), 1);  // a refusal spends nothing
}

}  // namespace
}  // namespace pg::cli
