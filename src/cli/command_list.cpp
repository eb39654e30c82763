#include "cli/command_list.h"

#include "scan/extract_command.h"

#include <cstdio>

namespace pg::cli {

namespace {

// The window side of the scan, for a terminal: remembers the last status text
// and the list it would show.
class RecordingScanWindow : public ScanWindow {
public:
    void setStatusText(const QString& text) override { status = text; }
    void setCountLabel(const QString&) override {}
    void setDownloadEnabled(bool) override {}
    void hidePreview() override {}
    void setBusy(bool) override {}
    void clearFileList() override { urls.clear(); }
    void fillFileList(const QStringList& list) override {
        urls = list;
        filled = true;
    }

    QString status;
    QStringList urls;
    bool filled = false;
};

}  // namespace

ScanOutcome ScanPage(PageFetcher& fetcher, const CliOptions& options, const QString& password) {
    RecordingScanWindow window;
    ScanJob job;
    job.url = options.url;
    job.userName = options.userName;
    job.password = password;
    job.allTypes = options.allTypes;
    job.fileTypes = options.types;
    RunExtractCommand(window, fetcher, job);
    ScanOutcome outcome;
    outcome.retrieved = window.filled;
    outcome.urls = window.urls;
    if (!window.filled) {
        outcome.failure = window.status;
    }
    return outcome;
}

int RunList(PageFetcher& fetcher, const CliOptions& options, const QString& password) {
    const ScanOutcome outcome = ScanPage(fetcher, options, password);
    if (!outcome.retrieved) {
        std::fprintf(stderr, "%s\n", outcome.failure.toLocal8Bit().constData());
        return ExitPageFailed;
    }
    for (const QString& url : outcome.urls) {
        const QByteArray line = url.toLocal8Bit();
        std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), stdout);
        std::fputc('\n', stdout);
    }
    std::fflush(stdout);
    return ExitOk;
}

}  // namespace pg::cli
