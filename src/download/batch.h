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
    int fileCount = 0;     // files the batch was given
    int attempted = 0;     // files it started before it ended
    int downloaded = 0;    // files that arrived whole
    int errorsLogged = 0;  // failures written to the error log
    bool cancelled = false;  // the user stopped the batch
    bool logCreated = false;
};

// The download target of a file URL: the folder, "/", and the URL's text after
// its last "/" (query included).
QString BatchTargetPath(const QString& directory, const QString& url);

// Downloads every file of the job into its folder, one after the other, and
// writes each failure to a freshly created error log. A failure that would hit
// every further file, and "Cancel all downloads", end the batch early.
BatchReport RunBatch(BatchServices& services, const BatchJob& job);

// The status bar text after a batch.
QString BatchStatusText(const BatchReport& report);
inline const QString kViewLogQuestion =
    QStringLiteral("Errors occurred while downloading. Do you want to view the error log file?");

}  // namespace pg
