#pragma once

#include <QString>

namespace pg {

// Opens a text file (the help text, the error log) for the user to read.
class FileOpener {
public:
    virtual ~FileOpener() = default;
    // Returns false when there is no such file. Otherwise the file is shown,
    // possibly later: a viewer that fails to start is replaced by another.
    virtual bool openTextFile(const QString& path, const QString& title) = 0;
};

}  // namespace pg
