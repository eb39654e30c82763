#pragma once

#include <QString>

#include <cstdio>

namespace pg {

// error.log: two lines per failed file, the file URL as given and the message,
// each ended by CR LF. Recreated empty for every batch and written through at
// once, so nothing is lost if the program ends abruptly.
class FileErrorLog {
public:
    FileErrorLog() = default;
    ~FileErrorLog();
    FileErrorLog(const FileErrorLog&) = delete;
    FileErrorLog& operator=(const FileErrorLog&) = delete;

    // Creates the file empty, replacing an earlier log; false when it cannot be.
    bool create(const QString& path);
    void append(const QString& url, const QString& message);
    void close();

private:
    std::FILE* file_ = nullptr;
};

}  // namespace pg
