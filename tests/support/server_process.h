#pragma once

#include <gtest/gtest.h>

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace pg::test {

// A TCP port on 127.0.0.1 that nothing listens on right now.
quint16 FindFreePort();

// An external test server on 127.0.0.1 and a free port, with a private working
// folder. The server writes the file "pid" there once it listens; it gets
// SIGTERM when the test process dies.
//
//   if (const auto why = NginxFixture::unavailableReason(); !why.empty()) GTEST_SKIP() << why;
//   NginxFixture nginx(dir.path());
//   ASSERT_TRUE(nginx.start());
class ServerProcess {
public:
    virtual ~ServerProcess() { stop(); }
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

    // Starts the server and waits until it listens; tries another port when it
    // exits early (the port was taken).
    ::testing::AssertionResult start();
    void stop();
    quint16 port() const { return port_; }
    QString url(const QByteArray& path) const;  // "scheme://127.0.0.1:PORT" + path

protected:
    ServerProcess(QString scheme, QString program)
        : scheme_(std::move(scheme)), program_(std::move(program)) {}
    virtual QStringList arguments() const = 0;  // the command line, for port_
    QString file(const QString& name) const { return dir_.filePath(name); }

    quint16 port_ = 0;

private:
    QString scheme_, program_;
    QTemporaryDir dir_;
    QProcess process_;
};

// The real nginx serving a folder at "/".
class NginxFixture : public ServerProcess {
public:
    static std::string unavailableReason();  // empty when it can run here
    explicit NginxFixture(QString root);

private:
    QStringList arguments() const override;
    QString root_;
};

// pyftpdlib (Debian's python3-pyftpdlib) serving a folder, read-only, to one login.
class FtpFixture : public ServerProcess {
public:
    static std::string unavailableReason();  // empty when it can run here
    FtpFixture(QString root, QString user, QString password);

private:
    QStringList arguments() const override;
    QStringList login_;
};

}  // namespace pg::test
