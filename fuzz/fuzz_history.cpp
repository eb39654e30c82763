// The history file: the input is the bytes of a urls.txt.
#include "fuzz_input.h"
#include "history/history_file.h"
#include "history/url_history.h"

#include <QFile>

#include <unistd.h>

namespace {

// One temporary file per process, rewritten for every input.
int HistoryFd(QString& path) {
    static char name[] = "/tmp/pg-fuzz-history-XXXXXX";
    static const int fd = ::mkstemp(name);
    static const bool removed = std::atexit([] { ::unlink(name); }) == 0;
    (void)removed;
    path = QFile::decodeName(name);
    return fd;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QString path;
    const int fd = HistoryFd(path);
    pg::fuzz::Require(fd >= 0 && ::ftruncate(fd, 0) == 0 &&
                      ::pwrite(fd, data, size, 0) == static_cast<ssize_t>(size));
    pg::UrlHistory history;
    pg::fuzz::Require(pg::ReadHistoryFile(path, history));
    for (int i = -1; i <= std::min(history.count(), 100); ++i) {
        const pg::JobSettingsUpdate record = history.LoadRecord(i);
        const bool valid = i >= 0 && i < history.count();
        pg::fuzz::Require(record.url.has_value() == valid);
        if (valid) {
            pg::fuzz::Require(*record.url == history.url(i) && history.rest(i).startsWith(u'|'));
            const int found = history.FindUrl(history.url(i));
            pg::fuzz::Require(history.url(i).isEmpty() ? found < 0 : found >= 0 && found <= i);
        }
    }
    return 0;
}
