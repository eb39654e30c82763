#pragma once

#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

namespace pg::test {

// One temporary folder that lives until the process ends.
inline QString IsolatedRoot() {
    static const QTemporaryDir root(QDir::tempPath() + QStringLiteral("/pg-test-XXXXXX"));
    return root.path();
}

// Points HOME and the XDG folders into IsolatedRoot(), so that no test touches
// a user's real settings, history or files; each main() calls it before Qt
// starts. Qt wants a private runtime folder.
inline void IsolateHomeFolders() {
    for (const char* name :
         {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR"}) {
        const QString path = IsolatedRoot() + u'/' + QLatin1String(name);
        QDir().mkpath(path);
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv(name, QFile::encodeName(path));
    }
}

}  // namespace pg::test
