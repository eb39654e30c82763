#include "support/isolated_home.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace pg::test {

QString IsolatedRoot() {
    static const QTemporaryDir root(QDir::tempPath() + QStringLiteral("/pg-test-XXXXXX"));
    return root.path();
}

void IsolateUserFolders() {
    const char* folders[][2] = {{"HOME", "/home"},
                                {"XDG_CONFIG_HOME", "/home/.config"},
                                {"XDG_DATA_HOME", "/home/.local/share"},
                                {"XDG_CACHE_HOME", "/home/.cache"},
                                {"XDG_RUNTIME_DIR", "/runtime"}};
    for (const auto& [name, sub] : folders) {
        const QString path = IsolatedRoot() + QLatin1String(sub);
        QDir().mkpath(path);
        qputenv(name, QFile::encodeName(path));
    }
    // Qt wants a private runtime folder.
    QFile::setPermissions(IsolatedRoot() + QStringLiteral("/runtime"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

}  // namespace pg::test
