#include "gui/transfer_question_boxes.h"

#include <QMessageBox>

namespace pg {

namespace {

QMessageBox::StandardButton Ask(QWidget* parent, const QString& title, const QString& text,
                                QMessageBox::StandardButtons buttons,
                                QMessageBox::StandardButton defaultButton) {
    QMessageBox box(QMessageBox::Warning, title, text, buttons, parent);
    box.setObjectName(QStringLiteral("TransferQuestion"));
    box.setDefaultButton(defaultButton);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

}  // namespace

bool MessageBoxTransferQuestions::continueWithoutResume() {
    return Ask(parent_, QuestionText::ResumeTitle, QuestionText::ResumeText,
               QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes) == QMessageBox::Yes;
}

bool MessageBoxTransferQuestions::retryIncomplete(const QString& timeLeftText) {
    return Ask(parent_, QuestionText::IncompleteTitle, QuestionText::IncompleteText(timeLeftText),
               QMessageBox::Retry | QMessageBox::Cancel, QMessageBox::Retry) == QMessageBox::Retry;
}

}  // namespace pg
