#include "download/free_space.h"

#include <QFile>

#include <filesystem>

namespace pg {

std::optional<qint64> FreeSpaceFor(const QString& path) {
    std::error_code error;
    std::filesystem::path folder = QFile::encodeName(path).toStdString();
    while (!folder.empty() && !std::filesystem::exists(folder, error)) {
        const auto parent = folder.parent_path();
        if (parent == folder) {
            break;
        }
        folder = parent;
    }
    const std::filesystem::space_info info = std::filesystem::space(folder, error);
    if (error) {
        return std::nullopt;
    }
    return static_cast<qint64>(info.available);
}

}  // namespace pg
