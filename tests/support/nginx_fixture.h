#pragma once

#include <gtest/gtest.h>

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

namespace pg::test {

struct NginxOptions {
    QString root{};        // folder served at "/"
    qint64 limitRate = 0;  // bytes per second per connection; 0: unlimited
};

// The real nginx (/usr/sbin/nginx) on 127.0.0.1 and a free port, with its
// configuration, pid file, logs and temp folders in a private prefix folder.
//
//   if (!NginxFixture::isAvailable()) GTEST_SKIP() << NginxFixture::unavailableReason();
//   NginxFixture nginx({.root = dir.path()});
//   ASSERT_TRUE(nginx.start());
class NginxFixture {
public:
    static QString binaryPath();
    static bool isAvailable();
    static QString unavailableReason();

    explicit NginxFixture(NginxOptions options);
    ~NginxFixture();
    NginxFixture(const NginxFixture&) = delete;
    NginxFixture& operator=(const NginxFixture&) = delete;

    // Starts nginx and waits until its port accepts connections. On failure the
    // message carries nginx's error log.
    ::testing::AssertionResult start();
    // Fast shutdown (SIGTERM: open transfers are cut), then waits for the exit.
    void stop();
    // stop() and start() on the same port.
    ::testing::AssertionResult restart();
    bool isRunning() const { return process_.state() != QProcess::NotRunning; }

    quint16 port() const { return port_; }
    QString baseUrl() const;                    // "http://127.0.0.1:PORT"
    QString url(const QByteArray& path) const;  // baseUrl() + path

    QString errorLog() const;
    QString accessLog() const;

private:
    QString prefix() const { return prefix_.path(); }
    QString pidFile() const;
    QByteArray configuration() const;
    bool writeFiles(QString* error) const;
    ::testing::AssertionResult launch();

    NginxOptions options_;
    QTemporaryDir prefix_;
    QProcess process_;
    quint16 port_ = 0;
};

}  // namespace pg::test
