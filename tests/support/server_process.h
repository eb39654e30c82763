#pragma once

#include <gtest/gtest.h>

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <string>

namespace pg::test {

// A TCP port on 127.0.0.1 that nothing listens on right now.
quint16 FindFreePort();

// An external test server on 127.0.0.1 and a free port, with a private working
// folder. The server writes the file "pid" there once it listens; it gets
// SIGTERM when the test process dies.
//
//   ServerProcess nginx = Nginx(dir.path());
//   if (!nginx.unavailable.empty()) GTEST_SKIP() << nginx.unavailable;
//   ASSERT_TRUE(nginx.start());
class ServerProcess {
public:
    // The command line for a port and the private folder.
    using Arguments = std::function<QStringList(quint16 port, const QString& folder)>;

    ServerProcess(QString scheme, QString program, Arguments arguments, std::string why);
    ~ServerProcess() { stop(); }
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

    // Starts the server and waits until it listens; tries another port when it
    // exits early (the port was taken).
    ::testing::AssertionResult start();
    void stop();
    QString url(const QByteArray& path) const;  // "scheme://127.0.0.1:PORT" + path

    const std::string unavailable;  // why the server cannot run here; empty when it can

private:
    QString scheme_, program_;
    Arguments arguments_;
    quint16 port_ = 0;
    QTemporaryDir dir_;
    QProcess process_;
};

// The real nginx serving a folder at "/".
ServerProcess Nginx(const QString& root);

// pyftpdlib (Debian's python3-pyftpdlib) serving a folder, read-only, to one login.
ServerProcess Ftp(const QString& root, const QString& user, const QString& password);

}  // namespace pg::test
