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
// Its name holds the target's name, a digest of the URL and the validator of
// the file's version (".NAME.URLDIGEST.VALIDATOR.pgpart", the validator in
// base64url), so that the next transfer of the same URL to the target finds
// what a killed run left and resumes it only while the server still has that
// version. The folder may be shared with other users: only a regular file of
// this user, with no other name and that nobody else may write, is ever taken
// over; anything else at a part file's name is left alone (never opened,
// written or deleted), and a new part file takes a free name beside it. A new
// part file is readable by its owner only; the finished file gets the mode
// that the umask gives a new file.
class PartFile {
public:
    // A part file that an earlier run left for the same URL and target.
    struct Leftover {
        QByteArray validator;  // for If-Range
        qint64 size = 0;
    };

    PartFile(QString targetPath, const QString& url);
    ~PartFile();
    PartFile(const PartFile&) = delete;
    PartFile& operator=(const PartFile&) = delete;

    // Takes over the first part file of ours left for this URL and target
    // whose name holds a validator, and deletes our others for them. Part
    // files of other URLs stay for their own next run.
    std::optional<Leftover> takeLeftover();

    // Each call returns 0 on success or the system's error number.
    // fresh: creates an empty file named after validator (which may be empty).
    // Otherwise opens the file taken over or written before, which must exist.
    int open(bool fresh, const QByteArray& validator = {});
    int write(const char* data, qint64 size, qint64 offset);
    // Cuts the file to `size`, gives it the usual mode of a new file, closes
    // it and renames it over the target.
    int commit(qint64 size);
    void close();
    // Closes and deletes the temporary file.
    void discard();

    bool exists() const;
    bool isOpen() const { return fd_ >= 0; }
    const QString& path() const { return path_; }

private:
    QString target_;
    QString urlDigest_;
    QString path_;  // the temporary file, once created or taken over
    int fd_ = -1;
};

// The name that a transfer of url to targetPath first tries for its part file
// of the file's version `validator` (a free one is taken when it is in use).
QString PartFilePath(const QString& targetPath, const QString& url, const QByteArray& validator);

}  // namespace pg
