#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

namespace pg {

// Free bytes on the file system that would hold `path` (its nearest existing
// folder), or nothing when that cannot be told.
std::optional<qint64> FreeSpaceFor(const QString& path);

}  // namespace pg
