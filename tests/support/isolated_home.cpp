#include "support/isolated_home.h"

#include <QDir>
#include <QTemporaryDir>

#include <cstdlib>
#include <memory>

namespace pg::test {

namespace {
std::unique_ptr<QTemporaryDir>& rootDir() {
    static std::unique_ptr<QTemporaryDir> dir;
    return dir;
}
}  // namespace

void IsolateUserFolders() {
    auto& dir = rootDir();
    if (dir) {
        return;
    }
    dir = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/pg-test-XXXXXX"));
    const QString root = dir->path();
    const struct {
        const char* name;
        const char* sub;
    } vars[] = {{"HOME", "home"},
                {"XDG_CONFIG_HOME", "home/.config"},
                {"XDG_DATA_HOME", "home/.local/share"},
                {"XDG_CACHE_HOME", "home/.cache"}};
    for (const auto& v : vars) {
        const QString path = root + QLatin1Char('/') + QLatin1String(v.sub);
        QDir().mkpath(path);
        qputenv(v.name, path.toLocal8Bit());
    }
}

QString IsolatedRoot() {
    IsolateUserFolders();
    return rootDir()->path();
}

}  // namespace pg::test
