// The transfer engine against real servers: nginx (large files, a restart in
// the middle of a transfer, Basic authentication) and pyftpdlib.
#include "download/engine.h"

#include "download/engine_fakes.h"
#include "download/qstring_printer.h"
#include "support/ftp_fixture.h"
#include "support/nginx_fixture.h"
#include "support/test_bytes.h"

#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include <filesystem>

using namespace Qt::StringLiterals;

namespace pg {
namespace {

using test::EngineRig;
using test::FtpFixture;
using test::MakeTestBytes;
using test::MakeTestBytesAt;
using test::NginxFixture;

constexpr qint64 kGiB = qint64(1) << 30;

// Hex SHA-256 digests as text, so a mismatch reads well.
std::string Hash(const QByteArray& data) {
    return test::Sha256(data).toStdString();
}
std::string FileHash(const QString& path) {
    return test::Sha256File(path).toStdString();
}

bool WriteAt(QFile& file, qint64 offset, const QByteArray& data) {
    return file.seek(offset) && file.write(data) == data.size();
}

QByteArray ReadAt(const QString& path, qint64 offset, qint64 size) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || !file.seek(offset)) {
        return "<unreadable>";
    }
    return file.read(size);
}

// nginx's combined log line for a finished request: the status and the body bytes sent.
struct LoggedRequest {
    int status = 0;
    qint64 bytesSent = 0;
};

QList<LoggedRequest> LoggedRequests(const NginxFixture& nginx, const QString& path) {
    const QRegularExpression line(u"\"GET "_s + QRegularExpression::escape(path) +
                                  uR"( HTTP/[0-9.]+" (\d+) (\d+) )"_s);
    QList<LoggedRequest> found;
    for (auto it = line.globalMatch(nginx.accessLog()); it.hasNext();) {
        const auto match = it.next();
        found.append({match.captured(1).toInt(), match.captured(2).toLongLong()});
    }
    return found;
}

// Whether the last request nginx logged for `path` was a partial answer with
// the rest of a `size`-byte file from byte `offset` on. nginx writes the line
// when it has sent the last byte, which may be a moment after the client read it.
::testing::AssertionResult LastAnswerStartedAt(const NginxFixture& nginx, const QString& path,
                                               qint64 size, qint64 offset) {
    const QDeadlineTimer deadline(5000);
    for (;;) {
        const QList<LoggedRequest> logged = LoggedRequests(nginx, path);
        if (!logged.isEmpty() && logged.back().status == 206 &&
            logged.back().bytesSent == size - offset) {
            return ::testing::AssertionSuccess();
        }
        if (deadline.hasExpired()) {
            break;
        }
        QThread::msleep(20);
    }
    return ::testing::AssertionFailure()
           << "expected 206 with " << size - offset << " bytes; access log:\n"
           << nginx.accessLog().toStdString();
}

// A file of over 3 GiB, mostly a hole, with distinct data at offsets where a
// 32-bit offset or a resume from the wrong byte would put something else.
TEST(EngineServersTest, FileOfThreeGibibytesArrivesWholeFromNginx) {
    if (!NginxFixture::isAvailable()) {
        GTEST_SKIP() << NginxFixture::unavailableReason().toStdString();
    }
    constexpr qint64 kFreeNeeded = 7 * kGiB;
    std::error_code error;
    const auto space = std::filesystem::space(QDir::tempPath().toStdString(), error);
    if (error || static_cast<qint64>(space.available) < kFreeNeeded) {
        GTEST_SKIP() << "needs about 7 GiB free in " << QDir::tempPath().toStdString() << ", has "
                     << (error ? 0 : space.available >> 20) << " MiB";
    }

    // A little over 3 GiB, so that a block fits above 2^31 + 2^30; an odd end too.
    constexpr qint64 kSize = 3 * kGiB + (1 << 20) + 12345;
    constexpr qint64 kBlock = 64 * 1024;
    // Odd offsets: the blocks are not aligned to any buffer size of the transfer.
    const qint64 offsets[] = {0, 2 * kGiB - kBlock - 4093, 2 * kGiB + 4099, 2 * kGiB + kGiB + 8191,
                              kSize - kBlock};

    QTemporaryDir served(QDir::tempPath() + u"/pg-big-XXXXXX"_s);
    ASSERT_TRUE(served.isValid());
    const QString source = served.filePath(u"big.bin"_s);
    {
        QFile file(source);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_TRUE(file.resize(kSize));  // sparse: only the blocks take disk space
        for (const qint64 offset : offsets) {
            ASSERT_TRUE(WriteAt(file, offset, MakeTestBytesAt(offset, kBlock))) << offset;
        }
    }

    NginxFixture nginx({.root = served.path()});
    ASSERT_TRUE(nginx.start());
    EngineRig rig;
    // A restart past 2 GiB cuts the transfer, so it resumes from an offset
    // that needs more than 31 bits.
    bool restarted = false;
    rig.view.onUpdate = [&](const ProgressSnapshot& s) {
        if (!restarted && s.received > 2 * kGiB + (1 << 20)) {
            restarted = true;
            EXPECT_TRUE(nginx.restart());
        }
    };
    qint64 receivedWhenAsked = -1;
    rig.questions.onRetry = [&] {
        receivedWhenAsked = rig.view.updates.empty() ? 0 : rig.view.updates.back().received;
        return rig.questions.retryAsked == 1;  // a second break fails the test, not hangs it
    };
    const QString target = rig.target(u"big.bin"_s);
    const bool ok = rig.download(nginx.url("/big.bin"), target);
    EXPECT_TRUE(LastAnswerStartedAt(nginx, u"/big.bin"_s, kSize, receivedWhenAsked - 4096));
    nginx.stop();
    QFile::remove(source);

    EXPECT_TRUE(ok) << rig.log.lines.join(u'\n').toStdString();
    EXPECT_EQ(rig.questions.retryAsked, 1);
    EXPECT_GT(receivedWhenAsked, 2 * kGiB + 4096);
    EXPECT_EQ(QFileInfo(target).size(), kSize);
    for (const qint64 offset : offsets) {
        EXPECT_EQ(Hash(ReadAt(target, offset, kBlock)), Hash(MakeTestBytesAt(offset, kBlock)))
            << "block at " << offset;
    }
    // The holes arrive as zeros, also right after the block below 2 GiB.
    EXPECT_EQ(ReadAt(target, 2 * kGiB - 4093, 4093).count('\0'), 4093);
    // Both attempts show the bar against the whole file.
    EXPECT_EQ(rig.view.resets, (std::vector<qint64>{kSize, kSize}));
    ASSERT_FALSE(rig.view.updates.empty());
    EXPECT_EQ(rig.view.updates.back().received, kSize);
    EXPECT_EQ(rig.view.updates.back().total, kSize);
    EXPECT_EQ(rig.files(), QStringList{u"big.bin"_s});
    QFile::remove(target);
}

TEST(EngineServersTest, TransferCutByANginxRestartResumesWhereItBroke) {
    if (!NginxFixture::isAvailable()) {
        GTEST_SKIP() << NginxFixture::unavailableReason().toStdString();
    }
    constexpr qint64 kSize = 4 * 1000 * 1000;
    QTemporaryDir served;
    ASSERT_TRUE(test::WriteTestFile(served.filePath(u"cut.bin"_s), kSize, 7));
    NginxFixture nginx({.root = served.path(), .limitRate = 512 * 1024});
    ASSERT_TRUE(nginx.start());

    EngineRig rig;
    bool restarted = false;
    rig.view.onUpdate = [&](const ProgressSnapshot& s) {
        if (!restarted && s.received >= 1000 * 1000) {
            restarted = true;
            EXPECT_TRUE(nginx.restart());  // cuts the open connection
        }
    };
    qint64 receivedWhenAsked = -1;
    rig.questions.onRetry = [&] {
        receivedWhenAsked = rig.view.updates.empty() ? 0 : rig.view.updates.back().received;
        return rig.questions.retryAsked == 1;
    };
    const QString target = rig.target(u"cut.bin"_s);
    ASSERT_TRUE(rig.download(nginx.url("/cut.bin"), target))
        << rig.log.lines.join(u'\n').toStdString();

    EXPECT_TRUE(restarted);
    EXPECT_EQ(rig.questions.retryAsked, 1);
    EXPECT_EQ(rig.questions.resumeAsked, 0);
    EXPECT_EQ(FileHash(target), Hash(MakeTestBytes(kSize, 7)));
    EXPECT_EQ(rig.view.updates.back().total, kSize);
    // The second request asked for the rest from 4 KiB before the last byte
    // written: nginx sent exactly that many bytes as a partial answer.
    ASSERT_GE(receivedWhenAsked, 1000 * 1000);
    EXPECT_TRUE(LastAnswerStartedAt(nginx, u"/cut.bin"_s, kSize, receivedWhenAsked - 4096));
}

TEST(EngineServersTest, FtpDownloadsAndRefusals) {
    if (!FtpFixture::isAvailable()) {
        GTEST_SKIP() << FtpFixture::unavailableReason().toStdString();
    }
    QTemporaryDir served;
    const qint64 size = 700000;
    ASSERT_TRUE(test::WriteTestFile(served.filePath(u"f.bin"_s), size, 11));
    FtpFixture open({.root = served.path()});
    FtpFixture locked({.root = served.path(), .user = u"anna"_s, .password = u"s3cret"_s});
    ASSERT_TRUE(open.start());
    ASSERT_TRUE(locked.start());

    const struct {
        const FtpFixture* server;
        const char* path;
        const char* user;
        const char* password;
        const char* failure;  // nullptr: the file arrives
        bool cancelAll;
    } cases[] = {{&open, "/f.bin", "", "", nullptr, false},
                 {&locked, "/f.bin", "anna", "s3cret", nullptr, false},
                 {&open, "/missing.bin", "", "", "File was not found.", false},
                 {&locked, "/f.bin", "anna", "wrong", "Authorization failed.", true}};
    for (const auto& c : cases) {
        EngineRig rig;
        const QString url = c.server->url(c.path);
        const QString target = rig.target(u"f.bin"_s);
        const bool ok =
            rig.download(url, target, QString::fromUtf8(c.user), QString::fromUtf8(c.password));
        SCOPED_TRACE(url.toStdString() + " as " + c.user + ":" + c.password);
        EXPECT_EQ(ok, c.failure == nullptr);
        if (c.failure == nullptr) {
            EXPECT_EQ(FileHash(target), Hash(MakeTestBytes(size, 11)));
            EXPECT_EQ(rig.view.resets, std::vector<qint64>{size});
            EXPECT_TRUE(rig.log.lines.isEmpty());
        } else {
            EXPECT_EQ(rig.log.lines, (QStringList{url, QString::fromUtf8(c.failure)}));
            EXPECT_TRUE(rig.files().isEmpty());
        }
        EXPECT_EQ(rig.flags.CancelAll, c.cancelAll);
        EXPECT_EQ(rig.questions.retryAsked, 0);
    }
    // Whole files are fetched without a restart offset.
    EXPECT_FALSE(open.commands().join(u'\n').contains(u"REST"_s))
        << open.commands().join(u'\n').toStdString();
}

TEST(EngineServersTest, FtpTransferCutByTheServerResumesWithRest) {
    if (!FtpFixture::isAvailable()) {
        GTEST_SKIP() << FtpFixture::unavailableReason().toStdString();
    }
    QTemporaryDir served;
    const qint64 size = 1000000;
    const qint64 cutAt = 300000;
    ASSERT_TRUE(test::WriteTestFile(served.filePath(u"r.bin"_s), size, 13));
    FtpFixture ftp({.root = served.path(), .breakAfter = cutAt, .breakCount = 1});
    ASSERT_TRUE(ftp.start());

    EngineRig rig;
    rig.questions.onRetry = [&] { return rig.questions.retryAsked == 1; };
    const QString target = rig.target(u"r.bin"_s);
    ASSERT_TRUE(rig.download(ftp.url("/r.bin"), target))
        << rig.log.lines.join(u'\n').toStdString() << ftp.serverLog().toStdString();
    EXPECT_EQ(rig.questions.retryAsked, 1);
    EXPECT_EQ(FileHash(target), Hash(MakeTestBytes(size, 13)));
    EXPECT_TRUE(rig.view.statusTexts.contains(u"Resuming download..."_s));
    EXPECT_EQ(rig.view.updates.back().total, size);
    const QStringList commands = ftp.commands();
    EXPECT_EQ(commands.filter(u"RETR"_s).size(), 2) << commands.join(u'\n').toStdString();
    EXPECT_EQ(commands.filter(u"REST"_s), QStringList{u"REST %1"_s.arg(cutAt - 4096)})
        << commands.join(u'\n').toStdString();
}

}  // namespace
}  // namespace pg
