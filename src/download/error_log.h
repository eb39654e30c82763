#pragma once

#include <QString>

namespace pg {

// error.log: two lines per failed file, the file URL as given (its control and
// bidirectional formatting characters percent-encoded, so that a page cannot
// write terminal escapes or reorder the text a person reads) and the message,
// each ended by CR LF. Recreated empty for every batch and written through at
// once, so nothing is lost if the program ends abruptly. The URLs may carry a
// password, so the file is readable by its owner only from its first byte on.
// Each call returns 0 or the system's error number.
class FileErrorLog {
public:
    FileErrorLog() = default;
    ~FileErrorLog();
    FileErrorLog(const FileErrorLog&) = delete;
    FileErrorLog& operator=(const FileErrorLog&) = delete;

    // Creates the file empty, replacing an earlier log.
    int create(const QString& path);
    // EBADF when the log was not created.
    int append(const QString& url, const QString& message);
    int close();

private:
    int fd_ = -1;
};

}  // namespace pg
