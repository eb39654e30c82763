#pragma once

#include "download/transfer_observer.h"

#include <QString>

#include <functional>
#include <optional>

namespace pg {

struct CancelRequest;
class TransferQuestions;
class Transport;

// The user name and password a file is fetched with (either may be empty).
struct Credentials {
    QString userName;
    QString password;
};

// How one file transfer ended.
struct TransferOutcome {
    enum class Result {
        Completed,   // the whole file is at the target
        Failed,      // logMessage says why
        Incomplete,  // the connection broke and the retry was declined
        Cancelled,   // a cancel button, Escape or Ctrl+C
    };
    Result result = Result::Failed;
    bool stopBatch = false;  // the cause would hit every further file, or the user cancelled all
    QString logMessage;      // the error log's line for a failure

    bool completed() const { return result == Result::Completed; }
};

// Everything one file transfer works with.
struct TransferContext {
    Transport& transport;
    TransferObserver& observer;
    TransferQuestions& questions;
    const CancelRequest& cancel;
    int remotePort = 80;
    int timeoutSecs = 60;
    // Free bytes for a folder; empty: asked from the file system.
    std::function<std::optional<qint64>(const QString& folder)> freeSpace;
    // Seconds on a steady clock; empty: the system's.
    std::function<double()> clock;
};

// The messages a failed transfer writes to the error log.
namespace LogText {
inline const QString NothingToDownload = QStringLiteral("Nothing to download.");
inline const QString AuthorizationFailed = QStringLiteral("Authorization failed.");
inline const QString NotFound = QStringLiteral("File was not found.");
inline const QString NoConnection = QStringLiteral("Unable to connect.");
inline const QString Unexpected = QStringLiteral("Unexpected error has occurred.");
inline const QString ResumeRefused = QStringLiteral("Unable to resume download.");
inline const QString DiskFull = QStringLiteral("Insufficient disk space.");
// A file sent in parts whose end the server never named.
inline const QString LengthUnknown = QStringLiteral("The server did not tell where the file ends.");
// A file sent in parts without a strong ETag or a date that would tell that
// every part comes from the same version.
inline const QString NoVersion =
    QStringLiteral("The server sent the file in parts without identifying its version.");
}  // namespace LogText

// Brings the file at item.url to item.targetPath, reporting its progress,
// asking to retry a broken transfer (which then resumes). A file that comes in
// parts is asked for part after part without a question; every resume names
// the version it continues (If-Range: a strong ETag or the Last-Modified
// date), and a part of another version is never joined, so that a changed
// file is never spliced; without such a validator a retry starts over. A part
// file that a killed run left for the same URL and target is resumed while
// the server still has its version, else replaced. After any end but
// Completed nothing it wrote stays, and an earlier file at the target is
// untouched.
TransferOutcome DownloadFile(TransferContext& context, const TransferItem& item,
                             const Credentials& credentials);

}  // namespace pg
