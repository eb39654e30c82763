#include "support/isolated_home.h"

#include <QDir>
#include <QFile>
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
    // Qt wants a private runtime folder; without one it warns on every start.
    const QString runtime = root + QStringLiteral("/runtime");
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", runtime.toLocal8Bit());
}

QString IsolatedRoot() {
    IsolateUserFolders();
    return rootDir()->path();
}

}  // namespace pg::test
