// One file transfer through the engine with the real progress window shown,
// timed and with the process's peak memory, for bench/run_transfer.sh.
//
//   transfer_bench URL TARGET   (TARGET's name must be the URL's last segment)
//
// Prints one line: "bytes=N seconds=S mbps=R rss_before_kb=K hwm_kb=K", where
// seconds covers the batch of one file alone (not the start of Qt), mbps is 10^6 bytes
// per second, rss_before_kb the resident memory just before the transfer (the
// window shown once already) and hwm_kb the peak resident memory of the whole
// process (VmHWM).
#include "download/batch.h"
#include "download/transfer_questions.h"
#include "gui/progress_window.h"
#include "platform/curl_transport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <fstream>
#include <string>

namespace {

// A field of /proc/self/status in kB ("VmHWM", "VmRSS"), -1 when missing.
long StatusKb(const std::string& field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.compare(0, field.size() + 1, field + ':') == 0) {
            return std::stol(line.substr(field.size() + 1));
        }
    }
    return -1;
}

// A benchmark run never retries: a broken transfer is a failed run.
class NoQuestions : public pg::TransferQuestions {
public:
    void askContinueWithoutResume(const pg::TransferItem&, Answer answer) override {
        answer(false);
    }
    void askRetryIncomplete(const pg::TransferItem&, const QString&, Answer answer) override {
        answer(false);
    }
};

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: transfer_bench URL TARGET\n");
        return 2;
    }
    const QString url = args.at(1);
    const QString target = args.at(2);

    pg::ProgressWindow window;
    pg::CurlTransport transport;
    NoQuestions questions;
    pg::BatchServices services{transport, window, questions, window.cancelRequest(), {}};
    pg::BatchJob job;
    job.urls = {url};
    job.directory = QFileInfo(target).absolutePath();
    job.errorLogPath = target + QStringLiteral(".log");

    // Shows the window once, so its fonts and paint buffers count as before the transfer.
    window.transferStarted({url, target, 1, 1});
    QApplication::processEvents();
    window.transferFinished({}, {});
    QApplication::processEvents();
    const long rssBefore = StatusKb("VmRSS");
    QElapsedTimer timer;
    timer.start();
    pg::BatchReport report;
    pg::BatchRun batch(services, job, [&report](const pg::BatchReport& done) {
        report = done;
        QApplication::exit(0);
    });
    batch.start();
    QApplication::exec();
    const double seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    QFile::remove(job.errorLogPath);
    if (report.downloaded != 1) {
        std::fprintf(stderr, "transfer_bench: the download of %s failed\n", qPrintable(url));
        return 1;
    }
    const qint64 bytes = QFileInfo(target).size();
    std::printf("bytes=%lld seconds=%.3f mbps=%.1f rss_before_kb=%ld hwm_kb=%ld\n",
                static_cast<long long>(bytes), seconds, static_cast<double>(bytes) / seconds / 1e6,
                rssBefore, StatusKb("VmHWM"));
    return 0;
}
