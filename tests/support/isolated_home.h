#pragma once

#include <QDir>
#include <QString>
#include <QTemporaryDir>

namespace pg::test {

// One temporary folder that lives until the process ends; test_main.cpp points
// HOME and the XDG folders into it before Qt starts, so that no test touches a
// user's real settings, history or files.
inline QString IsolatedRoot() {
    static const QTemporaryDir root(QDir::tempPath() + QStringLiteral("/pg-test-XXXXXX"));
    return root.path();
}

}  // namespace pg::test
