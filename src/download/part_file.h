#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <optional>

namespace pg {

// The file a transfer writes into: a hidden temporary file beside the target,
// renamed over the target only when the whole file has arrived. A failed or
// cancelled transfer thus never leaves a truncated file under the target's name
// and never harms an earlier file of that name.
//
// Its name holds the target's name and the validator of the file's version
// (".NAME.VALIDATOR.pgpart", the validator in base64url), so that the next
// transfer of the target finds what a killed run left and resumes it only
// while the server still has that version.
class PartFile {
public:
    // A part file that an earlier run left for the same target.
    struct Leftover {
        QByteArray validator;  // for If-Range
        qint64 size = 0;
    };

    explicit PartFile(QString targetPath) : target_(std::move(targetPath)) {}
    ~PartFile();
    PartFile(const PartFile&) = delete;
    PartFile& operator=(const PartFile&) = delete;

    // Takes over the first part file left for this target whose name holds a
    // validator, and deletes the others: none is left behind.
    std::optional<Leftover> takeLeftover();

    // Each call returns 0 on success or the system's error number.
    // fresh: starts an empty file named after validator (which may be empty).
    // Otherwise opens the file taken over or written before, which must exist.
    int open(bool fresh, const QByteArray& validator = {});
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
