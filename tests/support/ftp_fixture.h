#pragma once

#include <gtest/gtest.h>

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace pg::test {

struct FtpOptions {
    QString root{};  // folder served
    QString user{};  // empty: anonymous read access
    QString password{};
    // >= 0: close the data connection of a download when it reaches this byte
    // of the file (the client gets 426); downloads resumed at or after it complete.
    qint64 breakAfter = -1;
    int breakCount = -1;  // downloads to cut; -1: every one that crosses breakAfter
};

// pyftpdlib (Debian's python3-pyftpdlib, run by /usr/bin/python3) serving a
// folder on 127.0.0.1 and a port it picks itself.
//
//   if (!FtpFixture::isAvailable()) GTEST_SKIP() << FtpFixture::unavailableReason();
//   FtpFixture ftp({.root = dir.path(), .breakAfter = 4096});
//   ASSERT_TRUE(ftp.start());
class FtpFixture {
public:
    // Not the python3 first on PATH: the Debian package only loads in this one.
    static QString pythonPath();
    static QString scriptPath();
    static bool isAvailable();
    static QString unavailableReason();

    explicit FtpFixture(FtpOptions options);
    ~FtpFixture();
    FtpFixture(const FtpFixture&) = delete;
    FtpFixture& operator=(const FtpFixture&) = delete;

    // Starts the server and waits until it accepts connections.
    ::testing::AssertionResult start();
    void stop();
    bool isRunning() const { return process_.state() != QProcess::NotRunning; }

    quint16 port() const { return port_; }
    QString baseUrl() const;                    // "ftp://127.0.0.1:PORT"
    QString url(const QByteArray& path) const;  // baseUrl() + path

    // Commands received so far, in order ("REST 4096", "RETR file.bin"; PASS masked).
    QStringList commands() const;
    // pyftpdlib's own log (connections, transfers, errors).
    QString serverLog() const;

private:
    FtpOptions options_;
    QTemporaryDir workDir_;
    QProcess process_;
    quint16 port_ = 0;
};

}  // namespace pg::test
