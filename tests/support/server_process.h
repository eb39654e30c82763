#pragma once

#include <gtest/gtest.h>

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>

namespace pg::test {

// A TCP port on 127.0.0.1 that nothing listens on right now.
quint16 FindFreePort();

// An external test server on 127.0.0.1 with a private working folder. The
// server writes the file "pid" there once it listens; the child gets SIGTERM
// when the test process dies.
class ServerProcess {
public:
    ~ServerProcess() { stop(); }
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

    quint16 port() const { return port_; }
    QString url(const QByteArray& path) const;  // "scheme://127.0.0.1:PORT" + path
    void stop();

protected:
    explicit ServerProcess(QString scheme) : scheme_(std::move(scheme)) {}
    // Starts program with arguments() (which may use port_) and waits until it
    // listens; when it exits early (the port was taken), tries another port
    // unless samePort.
    ::testing::AssertionResult launch(const QString& program,
                                      const std::function<QStringList()>& arguments,
                                      bool samePort = false);
    QString file(const QString& name) const { return dir_.filePath(name); }

    quint16 port_ = 0;

private:
    QString scheme_;
    QTemporaryDir dir_;
    QProcess process_;
};

}  // namespace pg::test
