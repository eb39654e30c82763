#pragma once

#include "download/engine.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace pg {

// One batch: the files to fetch in list order and what every transfer uses.
struct BatchJob {
    QStringList urls;
    QString directory;
    Credentials credentials;
    int remotePort = 80;
    int timeoutSecs = 60;
    QString errorLogPath;
    // Logged for a file whose broken transfer was not retried; empty: nothing
    // is logged, as when the user declines the retry question.
    QString incompleteMessage;
    // The page the files were found on: the credentials go only to its scheme,
    // host and port.
    QString pageUrl;
};

struct BatchServices {
    Transport& transport;
    TransferObserver& observer;
    TransferQuestions& questions;
    const CancelRequest& cancel;
    std::function<std::optional<qint64>(const QString&)> freeSpace;  // empty: the file system's
};

// How a batch went.
struct BatchReport {
    int fileCount = 0;       // files the batch was given
    int attempted = 0;       // files it started before it ended
    int downloaded = 0;      // files that arrived whole
    int errorsLogged = 0;    // failures written to the error log
    int skipped = 0;         // files not tried because their server failed an earlier one
    bool cancelled = false;  // the user stopped the batch
    bool logCreated = false;
    // The system's error number when the log could not be created or a failure
    // could not be written to it whole; 0 when it holds every failure.
    int logError = 0;
};

// The credentials a file is fetched with: the job's for a file on the page's
// own scheme, host and port (the port each request really goes to, the remote
// port setting included), none for any other.
Credentials CredentialsFor(const BatchJob& job, const QString& fileUrl);

// The download target of a file URL: the folder, "/", and the URL's text after
// its last "/" (query included), each control character in it replaced by "_".
QString BatchTargetPath(const QString& directory, const QString& url);

// Downloads every file of the job into its folder, one after the other, and
// writes each failure to a freshly created error log. A file name longer than
// the file system allows fails before any request. A file whose name a file of
// this batch already took gets a numbered name ("a (2).jpg"), which the log
// notes. A failure that would hit every further file, and "Cancel all
// downloads", end the batch early; when a server other than the page's causes
// it, only that server's remaining files are skipped (and logged).
BatchReport RunBatch(BatchServices& services, const BatchJob& job);

// The log's line for a file saved under a numbered name.
QString SavedUnderText(const TransferItem& item);

// The status bar text after a batch.
QString BatchStatusText(const BatchReport& report);
inline const QString kViewLogQuestion =
    QStringLiteral("Errors occurred while downloading. Do you want to view the error log file?");

}  // namespace pg
