// The history file: the input is the bytes of a urls.txt.
#include "fuzz_input.h"
#include "history/history_file.h"
#include "history/url_history.h"

#include <QTemporaryFile>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using pg::fuzz::Require;
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
    return 0;
}
