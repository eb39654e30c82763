#pragma once

#include "download/engine.h"
#include "download/error_log.h"
#include "job/job_settings.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <unordered_set>
#include <vector>

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
    // Files transferred at once; never more than this to one server either.
    int parallel = 1;
    // The page as it finally came (after redirects), named as Referer; empty:
    // pageUrl.
    QString refererPageUrl = {};
};

// The batch of a job: its checked files into its folder with its credentials,
// the remote port and time-out of the options, failures to errorLogPath.
BatchJob MakeBatchJob(const JobSettings& job, QStringList checkedUrls, int remotePort,
                      int timeoutSecs, QString errorLogPath);

struct BatchServices {
    Transport& transport;
    TransferObserver& observer;
    TransferQuestions& questions;
    CancelRequest& cancel;
    std::function<std::optional<qint64>(const QString&)> freeSpace;  // empty: the file system's
};

// How a batch went.
struct BatchReport {
    int fileCount = 0;       // files the batch was given
    int attempted = 0;       // files that ran to their end
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

// What a file request names as its Referer, as a browser would: the page's
// URL without user name, password and fragment for a file on the page's own
// scheme, host and port; only the page's origin ("https://host:8443/") for a
// file elsewhere; nothing for an http file of an https page.
QString RefererFor(const QString& pageUrl, const QString& fileUrl);

// The download target of a file URL: the folder, "/", and the URL's text after
// its last "/" (query included), each unsafe character in it replaced by "_".
QString BatchTargetPath(const QString& directory, const QString& url);

// Downloads every file of the job into its folder (`Command1`'s batch) and
// writes each failure to a freshly created error log, in the order of the
// list whatever order the transfers end in. It runs on the event loop, up to
// job.parallel files at once, and reports to `done` from the event loop (the
// owner may destroy the run there).
//
// A file name longer than the file system allows fails before any request. A
// file never replaces one this batch wrote: it gets a numbered name ("a
// (2).jpg"), which the log notes. A failure that would hit every further file,
// and "Cancel all downloads", end the batch early; when a server other than
// the page's causes it, only that server's remaining files are skipped (and
// logged). A server that answers 429 or 503 gets one connection fewer.
class BatchRun : public QObject {
    Q_OBJECT
public:
    using DoneFn = std::function<void(const BatchReport&)>;

    BatchRun(const BatchServices& services, BatchJob job, DoneFn done);
    ~BatchRun() override;

    void start();

private:
    struct Running;
    enum FileState : char { kWaiting, kRunning, kEnded };

    int slots() const;
    int limitFor(const QString& origin) const;
    // Starts files while slots are free; ends the batch when nothing runs.
    void startMore();
    // The next file that may start now, or -1.
    int nextStartable() const;
    void startFile(int index);
    void fileDone(int index, const TransferOutcome& outcome);
    void recordEnd(int index, const TransferItem& item, const TransferOutcome& outcome);
    void cancelRequested();
    // Ends the batch after the file at `index`: later ones stop unlogged.
    void stopAfter(int index);
    // The file has ended: its lines go to the log once those before them have.
    void resolve(int index, QStringList logLines);
    void writeLines(const QStringList& lines);
    void finish();

    BatchServices services_;
    const BatchJob job_;
    const DoneFn done_;
    TransferContext context_;
    BatchReport report_;
    FileErrorLog log_;
    const QString pageOrigin_;

    std::vector<FileState> state_;
    int firstWaiting_ = 0;                     // no file before it waits
    int nextToLog_ = 0;                        // files before it have their lines in the log
    std::map<int, QStringList> pendingLines_;  // lines of ended files, waiting for their turn
    std::map<int, std::unique_ptr<Running>> running_;
    std::map<QString, int> perOrigin_;     // transfers running per server
    std::map<QString, int> originLimits_;  // lowered limits of busy servers
    std::unordered_set<QString>
        stoppedOrigins_;  // servers that failed a file in a way that hits all
    std::unordered_set<QString> targetsInFlight_;
    // Targets this batch has filled, by a 64-bit hash each, so that a batch of
    // a hundred thousand files keeps a few megabytes for them, not their paths.
    std::unordered_set<size_t> written_;
    bool stopping_ = false;
    bool finished_ = false;
};

// The log's line for a file saved under a numbered name.
QString SavedUnderText(const TransferItem& item);

// The status bar text after a batch.
QString BatchStatusText(const BatchReport& report);
inline const QString kViewLogQuestion =
    QStringLiteral("Errors occurred while downloading. Do you want to view the error log file?");

}  // namespace pg
