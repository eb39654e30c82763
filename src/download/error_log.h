#pragma once

#include <QString>

#include <cstdio>

namespace pg {

// Where failed transfers are reported: two lines per failure, the file URL as
// given and the message.
class ErrorLog {
public:
    virtual ~ErrorLog() = default;
    virtual void append(const QString& url, const QString& message) = 0;
};

// error.log: recreated empty for every batch, lines ended by CR LF, written
// through at once so nothing is lost if the program ends abruptly.
class FileErrorLog : public ErrorLog {
public:
    FileErrorLog() = default;
    ~FileErrorLog() override;
    FileErrorLog(const FileErrorLog&) = delete;
    FileErrorLog& operator=(const FileErrorLog&) = delete;

    // Creates the file empty, replacing an earlier log; false when it cannot be.
    bool create(const QString& path);
    void append(const QString& url, const QString& message) override;
    void close();

private:
    std::FILE* file_ = nullptr;
};

// The error log's default place: error.log in the per-user data folder.
QString DefaultErrorLogPath();

}  // namespace pg
