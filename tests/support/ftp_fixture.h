#pragma once

#include "support/server_process.h"

namespace pg::test {

struct FtpOptions {
    QString root{};  // folder served
    QString user{};  // empty: anonymous read access
    QString password{};
};

// pyftpdlib (Debian's python3-pyftpdlib) serving a folder on 127.0.0.1.
//
//   if (const auto why = FtpFixture::unavailableReason(); !why.empty()) GTEST_SKIP() << why;
//   FtpFixture ftp({.root = dir.path()});
//   ASSERT_TRUE(ftp.start());
class FtpFixture : public ServerProcess {
public:
    // Why the server cannot run here; empty when it can.
    static std::string unavailableReason();

    explicit FtpFixture(FtpOptions options)
        : ServerProcess(QStringLiteral("ftp")), options_(std::move(options)) {}

    ::testing::AssertionResult start();

private:
    FtpOptions options_;
};

}  // namespace pg::test
