#pragma once

#include <QString>

#include <functional>

namespace pg {

struct TransferItem;

// The two questions a transfer may ask. The answer may come at once or later
// from the event loop (a message box); the transfer waits for it.
class TransferQuestions {
public:
    using Answer = std::function<void(bool yes)>;

    virtual ~TransferQuestions() = default;
    // A file starts, and ends (the command line gives each file its own retries).
    virtual void fileStarted(const TransferItem&) {}
    virtual void fileEnded(const TransferItem&) {}
    // "Unable to Resume Download": yes to start the file over from its first byte.
    virtual void askContinueWithoutResume(const TransferItem& item, Answer answer) = 0;
    // "Download Incomplete": yes to retry, resuming where the transfer stopped.
    virtual void askRetryIncomplete(const TransferItem& item, const QString& timeLeftText,
                                    Answer answer) = 0;
};

namespace QuestionText {
inline const QString ResumeTitle = QStringLiteral("Unable to Resume Download");
inline const QString ResumeText = QStringLiteral(
    "The server is unable to resume this download.\n\nDo you want to continue anyway?");
inline const QString IncompleteTitle = QStringLiteral("Download Incomplete");
QString IncompleteText(const QString& timeLeftText);
}  // namespace QuestionText

}  // namespace pg
