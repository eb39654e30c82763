#pragma once

#include "download/transfer_questions.h"

class QWidget;

namespace pg {

// Asks a transfer's questions in message boxes over the progress window, modal
// to it; the answer follows when the box closes.
class MessageBoxTransferQuestions : public TransferQuestions {
public:
    explicit MessageBoxTransferQuestions(QWidget* parent) : parent_(parent) {}

    void askContinueWithoutResume(const TransferItem& item, Answer answer) override;
    void askRetryIncomplete(const TransferItem& item, const QString& timeLeftText,
                            Answer answer) override;

private:
    QWidget* parent_;
};

}  // namespace pg
