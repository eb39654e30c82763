#pragma once

#include "support/server_process.h"

namespace pg::test {

struct NginxOptions {
    QString root{};        // folder served at "/"
    qint64 limitRate = 0;  // bytes per second per connection; 0: unlimited
};

// The real nginx serving a folder on 127.0.0.1.
//
//   if (const auto why = NginxFixture::unavailableReason(); !why.empty()) GTEST_SKIP() << why;
//   NginxFixture nginx({.root = dir.path()});
//   ASSERT_TRUE(nginx.start());
class NginxFixture : public ServerProcess {
public:
    // Why the server cannot run here; empty when it can.
    static std::string unavailableReason();

    explicit NginxFixture(NginxOptions options)
        : ServerProcess(QStringLiteral("http")), options_(std::move(options)) {}

    ::testing::AssertionResult start();
    // Stops nginx (open transfers are cut) and starts it again on the same port.
    ::testing::AssertionResult restart();

private:
    QStringList prepare() const;

    NginxOptions options_;
};

}  // namespace pg::test
