#include "cli/command_get.h"

#include "cli/command_list.h"
#include "cli/interrupt_watch.h"
#include "cli/retry_questions.h"
#include "cli/terminal_progress.h"
#include "download/batch.h"
#include "download/engine.h"
#include "download/error_log.h"
#include "download/format.h"
#include "scan/file_list.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace pg::cli {

namespace {

// Logged for a file whose transfer broke off once more than --retries allowed.
const QString kRetriesSpent = u"Download incomplete - no retries left."_s;

// Passes entries on to the error log and tells how many there were and the last one.
class CountingLog : public ErrorLog {
public:
    explicit CountingLog(ErrorLog& log) : log_(log) {}
    void append(const QString& url, const QString& message) override {
        log_.append(url, message);
        ++count_;
        last_ = message;
    }
    int count() const { return count_; }
    const QString& lastMessage() const { return last_; }

private:
    ErrorLog& log_;
    int count_ = 0;
    QString last_;
};

void WriteErr(const QByteArray& bytes) {
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stderr);
    std::fflush(stderr);
}

void ErrLine(const QString& text) {
    WriteErr(text.toLocal8Bit() + '\n');
}

int TerminalWidth() {
    winsize size = {};
    if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) {
        return size.ws_col;
    }
    return 80;
}

// Every listed file, or those whose URL contains the text, as the window's
// "Select All Containing" would check them.
QStringList SelectFiles(const QStringList& urls, const QString& contains) {
    if (contains.isEmpty()) {
        return urls;
    }
    FileList list;
    list.setEntries(urls);
    list.SelectAllContaining(contains);
    return list.checkedEntries();
}

}  // namespace

int RunGet(PageFetcher& fetcher, Transport& transport, const CliOptions& options,
           const QString& password) {
    const ScanOutcome outcome = ScanPage(fetcher, options, password);
    if (!outcome.retrieved) {
        ErrLine(outcome.failure);
        return ExitPageFailed;
    }

    const QString logPath = options.logFile.isEmpty() ? DefaultErrorLogPath() : options.logFile;
    FileErrorLog fileLog;
    if (!fileLog.create(logPath)) {
        ErrLine(u"pagegleaner-cli: cannot create the error log %1"_s.arg(logPath));
        return ExitFilesFailed;
    }
    CountingLog log(fileLog);

    const QStringList files = SelectFiles(outcome.urls, options.contains);
    const int count = static_cast<int>(files.size());
    TerminalProgress view(::isatty(STDERR_FILENO) == 1, &WriteErr, TerminalWidth());
    DownloadFlags flags;
    // The engine only looks at its flags while it waits, which is where the
    // watch's notifier runs.
    InterruptWatch interrupt([&flags] {
        flags.CancelThis = true;
        flags.CancelAll = true;
    });
    RetryBudgetQuestions questions(options.retries,
                                   [&interrupt] { return interrupt.interrupted(); });
    DownloadContext context{.transport = transport,
                            .view = view,
                            .questions = questions,
                            .log = log,
                            .flags = flags,
                            .remotePort = options.port,
                            .timeoutSecs = options.timeoutSecs,
                            .freeSpace = {},  // the file system's
                            .clock = {}};     // the system's

    int downloaded = 0;
    for (int i = 0; i < count && !interrupt.interrupted(); ++i) {
        const QString& url = files.at(i);
        const QString target = BatchTargetPath(options.directory, url);
        view.beginFile(i + 1, count, url, target);
        questions.startFile();
        const int logged = log.count();
        if (DownloadFile(context, url, target, options.userName, password, i + 1, count)) {
            ++downloaded;
            view.endFile(true, {});
            continue;
        }
        if (interrupt.interrupted()) {
            view.endFile(false, u"interrupted."_s);
            break;
        }
        // The engine logs every failure but a retry that was refused.
        if (log.count() == logged) {
            log.append(url, kRetriesSpent);
        }
        view.endFile(false, log.lastMessage());
        if (flags.CancelAll && i + 1 < count) {
            view.note(u"The remaining %1 file(s) were not downloaded."_s.arg(count - i - 1));
            break;
        }
    }
    fileLog.close();

    if (interrupt.interrupted()) {
        view.note(u"Download interrupted."_s);
        return ExitInterrupted;
    }
    if (log.count() > 0) {
        view.note(u"Errors occurred while downloading - see %1"_s.arg(logPath));
        return ExitFilesFailed;
    }
    view.note(u"%1 files downloaded successfully!"_s.arg(downloaded));
    return ExitOk;
}

}  // namespace pg::cli
