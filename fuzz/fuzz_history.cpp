// The history file: the input is the bytes of a urls.txt.
#include "fuzz_input.h"
#include "history/history_file.h"
#include "history/url_history.h"

#include <QTemporaryFile>

namespace {

using pg::fuzz::Require;

// The records of the file as jobs, each under a URL of its own, every other
// one with a "|" put into its URL and fields.
std::vector<pg::JobSettings> JobsOf(pg::UrlHistory& history) {
    std::vector<pg::JobSettings> jobs;
    for (int i = 0; i < std::min(history.count(), 50); ++i) {
        const pg::JobSettingsUpdate r = history.LoadRecord(i);
        pg::JobSettings job{QString::number(i) + u'|' + r.url.value_or(QString()),
                            r.directory.value_or(QString()),
                            r.allTypes.value_or(i % 3 == 0),
                            r.fileTypes.value_or(QString()),
                            r.userName.value_or(QString()),
                            r.password.value_or(QString())};
        if (i % 2) {
            job.directory += u'|' + job.password;
            job.userName.prepend(u'|');
        }
        jobs.push_back(job);
    }
    return jobs;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static QTemporaryFile file;  // one per process, rewritten for every input
    Require((file.isOpen() || file.open()) && file.resize(0) &&
            file.write(reinterpret_cast<const char*>(data), qint64(size)) == qint64(size) &&
            file.flush());
    pg::UrlHistory history;
    Require(pg::ReadHistoryFile(file.fileName(), history));
    for (int i = -1; i <= std::min(history.count(), 100); ++i) {
        const pg::JobSettingsUpdate record = history.LoadRecord(i);
        const bool valid = i >= 0 && i < history.count();
        Require(record.url.has_value() == valid);
        if (valid) {
            Require(*record.url == history.url(i) && history.rest(i).startsWith(u'|'));
            const int found = history.FindUrl(history.url(i));
            Require(history.url(i).isEmpty() ? found < 0 : found >= 0 && found <= i);
        }
    }
    // Jobs go through the file and come back whole, newest first.
    const std::vector<pg::JobSettings> jobs = JobsOf(history);
    pg::UrlHistory made;
    for (const pg::JobSettings& job : jobs) {
        Require(made.AddUrl(job.url, job));
    }
    static QTemporaryFile out;
    Require((out.isOpen() || out.open()) &&
            pg::WriteHistoryFile(out.fileName(), made, QStringLiteral("100")));
    pg::UrlHistory read;
    Require(pg::ReadHistoryFile(out.fileName(), read) && read.count() == made.count());
    for (int i = 0; i < read.count(); ++i) {
        const pg::JobSettings& job = jobs[jobs.size() - 1 - static_cast<size_t>(i)];
        const pg::JobSettingsUpdate back = read.LoadRecord(i);
        Require(back.url == pg::HistoryUrl(job.url) && back.directory == job.directory &&
                back.allTypes == job.allTypes && back.fileTypes == job.fileTypes &&
                back.userName == job.userName && back.password == job.password);
    }
    return 0;
}
