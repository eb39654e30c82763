#pragma once

#include "download/progress_view.h"

#include <QString>

#include <functional>
#include <optional>

namespace pg {

class ErrorLog;
class TransferQuestions;
class Transport;

// Everything one file transfer works with. The flags are shared with the
// progress window (which sets them) and the batch (which reads them).
struct DownloadContext {
    Transport& transport;
    ProgressView& view;
    TransferQuestions& questions;
    ErrorLog& log;
    DownloadFlags& flags;
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
}  // namespace LogText

// Brings the file at `url` to `targetPath`, showing its progress, asking the
// user to retry a broken transfer (which then resumes), and logging failures.
// True when the whole file is on disk; after any other end nothing it wrote
// stays, and an earlier file at targetPath is untouched.
bool DownloadFile(DownloadContext& context, const QString& url, const QString& targetPath,
                  const QString& userName, const QString& password, int itemNumber, int itemCount);

// Free bytes on the file system that would hold `path` (its nearest existing
// folder), or nothing when that cannot be told.
std::optional<qint64> FreeSpaceFor(const QString& path);

}  // namespace pg
