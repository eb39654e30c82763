#pragma once

#include <QString>

namespace pg {

// Opens a text file (the help text, the error log) for the user to read.
class FileOpener {
public:
    virtual ~FileOpener() = default;
    // Returns false when the file could not be shown at all.
    virtual bool openTextFile(const QString& path, const QString& title) = 0;
};

}  // namespace pg
