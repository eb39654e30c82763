#pragma once

#include "download/transfer_questions.h"

class QWidget;

namespace pg {

// Asks a transfer's questions in message boxes over the progress window.
class MessageBoxTransferQuestions : public TransferQuestions {
public:
    explicit MessageBoxTransferQuestions(QWidget* parent) : parent_(parent) {}

    bool continueWithoutResume() override;
    bool retryIncomplete(const QString& timeLeftText) override;

private:
    QWidget* parent_;
};

}  // namespace pg
