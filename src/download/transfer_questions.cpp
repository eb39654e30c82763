#include "download/transfer_questions.h"

namespace pg {

QString QuestionText::IncompleteText(const QString& timeLeftText) {
    return QStringLiteral(
               "The connection with the server was reset.\n\nClick \"Retry\" to resume "
               "downloading the file.\n(Approximate time remaining: %1)\n\nClick \"Cancel\" to "
               "cancel downloading the file.")
        .arg(timeLeftText);
}

}  // namespace pg
