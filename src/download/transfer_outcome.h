#pragma once

#include <QString>

namespace pg {

// Where a file transfer stands, for the progress window's status label.
enum class TransferPhase {
    GettingInformation,  // the request is out, no answer yet
    Resuming,            // a retry asks for the rest
    Saving,              // the answer came; its body goes to the file
    WaitingToRetry,      // a busy server asked to be asked again later
    Completed,
};

// Why a file did not arrive.
enum class FailureCause {
    None,
    NothingToDownload,    // 204
    AuthorizationFailed,  // 401, or an ftp login refused
    NotFound,             // 404, or no such ftp file
    NoConnection,         // no connection to the host could be made
    UnexpectedStatus,     // any other answer that is no file
    ResumeRefused,        // the server cannot resume and the user did not want to start over
    DiskFull,             // less free space than the file needs
    LengthUnknown,        // a file in parts whose end the server never named
    NoVersion,            // a file in parts without a validator that ties its parts together
    FileSystem,           // creating, opening or writing the file: code is errno
    Request,              // the request broke off or got no answer: code and text from libcurl
    RetryDeclined,        // the connection broke and the retry was declined
};

// How one file transfer ended.
struct TransferOutcome {
    enum class Result {
        Completed,   // the whole file is at the target
        Failed,      // cause says why
        Incomplete,  // the connection broke and the retry was declined
        Cancelled,   // a cancel button, Escape or Ctrl+C
    };
    Result result = Result::Failed;
    FailureCause cause = FailureCause::None;
    int code = 0;            // FileSystem: errno; Request: libcurl's code
    QString detail;          // Request: libcurl's text
    bool stopBatch = false;  // the cause would hit every further file, or the user cancelled all
    // The URL of the last request made (after redirects), which tells the
    // server that caused a failure; empty when no request was made.
    QString lastUrl;

    bool completed() const { return result == Result::Completed; }
    static TransferOutcome failed(FailureCause cause, bool stopBatch = false) {
        TransferOutcome outcome;
        outcome.cause = cause;
        outcome.stopBatch = stopBatch;
        return outcome;
    }
};

// The status label's text for a phase: "Getting file information...",
// "Resuming download...", "Saving:", "Download completed!".
QString PhaseText(TransferPhase phase);

// The error log's line for a failed transfer ("File was not found.", "Error 28
// : No space left on device"); empty for a completed or cancelled one, and for
// a declined retry (whose line, if any, is the caller's).
QString LogMessage(const TransferOutcome& outcome);

// The system's text for an error number, as "Error 28 : No space left on device".
QString SystemErrorMessage(int errorNumber);

}  // namespace pg
