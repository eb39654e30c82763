#pragma once

#include <QString>

namespace pg {

// The two questions a transfer may ask.
class TransferQuestions {
public:
    virtual ~TransferQuestions() = default;
    // A new file starts (the command line gives each file its own retries).
    virtual void transferStarted() {}
    // "Unable to Resume Download": true to start the file over from its first byte.
    virtual bool continueWithoutResume() = 0;
    // "Download Incomplete": true to retry, resuming where the transfer stopped.
    virtual bool retryIncomplete(const QString& timeLeftText) = 0;
};

namespace QuestionText {
inline const QString ResumeTitle = QStringLiteral("Unable to Resume Download");
inline const QString ResumeText = QStringLiteral(
    "The server is unable to resume this download.\n\nDo you want to continue anyway?");
inline const QString IncompleteTitle = QStringLiteral("Download Incomplete");
QString IncompleteText(const QString& timeLeftText);
}  // namespace QuestionText

}  // namespace pg
