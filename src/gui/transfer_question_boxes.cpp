#include "gui/transfer_question_boxes.h"

#include <QMessageBox>

namespace pg {

namespace {

void Ask(QWidget* parent, const QString& title, const QString& text,
         QMessageBox::StandardButtons buttons, QMessageBox::StandardButton yes,
         TransferQuestions::Answer answer) {
    auto* box = new QMessageBox(QMessageBox::Warning, title, text, buttons, parent);
    box->setObjectName(QStringLiteral("TransferQuestion"));
    box->setDefaultButton(yes);
    box->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(box, &QMessageBox::finished, box,
                     [answer = std::move(answer), yes](int button) { answer(button == yes); });
    box->open();
}

}  // namespace

void MessageBoxTransferQuestions::askContinueWithoutResume(const TransferItem&, Answer answer) {
    Ask(parent_, QuestionText::ResumeTitle, QuestionText::ResumeText,
        QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes, std::move(answer));
}

void MessageBoxTransferQuestions::askRetryIncomplete(const TransferItem&,
                                                     const QString& timeLeftText, Answer answer) {
    Ask(parent_, QuestionText::IncompleteTitle, QuestionText::IncompleteText(timeLeftText),
        QMessageBox::Retry | QMessageBox::Cancel, QMessageBox::Retry, std::move(answer));
}

}  // namespace pg
