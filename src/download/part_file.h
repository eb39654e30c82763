#pragma once

#include <QString>
#include <QtGlobal>

namespace pg {

// The file a transfer writes into: a hidden temporary file beside the target,
// renamed over the target only when the whole file has arrived. A failed or
// cancelled transfer thus never leaves a truncated file under the target's name
// and never harms an earlier file of that name.
class PartFile {
public:
    explicit PartFile(QString targetPath) : target_(std::move(targetPath)) {}
    ~PartFile();
    PartFile(const PartFile&) = delete;
    PartFile& operator=(const PartFile&) = delete;

    // Each call returns 0 on success or the system's error number.
    // Opens the temporary file, creating it empty when it does not exist yet;
    // `fresh` empties an existing one.
    int open(bool fresh);
    int write(const char* data, qint64 size, qint64 offset);
    // Cuts the file to `size`, closes it and renames it over the target.
    int commit(qint64 size);
    void close();
    // Closes and deletes the temporary file.
    void discard();

    bool exists() const;
    bool isOpen() const { return fd_ >= 0; }
    const QString& path() const { return path_; }

private:
    QString target_;
    QString path_;  // the temporary file, once created
    int fd_ = -1;
};

// The system's text for an error number, as "Error 28 : No space left on device".
QString SystemErrorMessage(int errorNumber);

}  // namespace pg
