#include "../download/fakes.h"
#include "platform/curl_transport.h"
#include "support/ftp_fixture.h"
#include "support/nginx_fixture.h"
#include "support/raw_responder.h"
#include "support/scripted_server.h"
#include "support/test_bytes.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace pg::test {
namespace {

struct Fetch {
    QString url;
    Credentials credentials{};
    int remotePort = 80;
    int timeoutSecs = 60;
};

// Downloads through libcurl, answering every retry question with Retry.
TransferOutcome Download(const Fetch& fetch, const QString& target) {
    CurlTransport transport;
    CancelRequest cancel;
    FakeUi ui{cancel, {}};
    ui.retryAnswers = {true, true, true};
    TransferContext context{transport, ui, ui, cancel, fetch.remotePort, fetch.timeoutSecs, {}, {}};
    return DownloadFile(context, {fetch.url, target, 1, 1}, fetch.credentials);
}

TEST(CurlTransportTest, BrokenTransferResumesWithRangeRequests) {
    const QByteArray body = MakeTestBytes(20000);
    ScriptedServer http;
    http.handle("/f.bin", ScriptedServer::bytes({.body = body, .cutAfter = 10000}));
    QTemporaryDir dir;
    EXPECT_TRUE(Download({http.url("/f.bin")}, dir.filePath(u"f.bin"_s)).completed());
    EXPECT_EQ(ReadFileBytes(dir.filePath(u"f.bin"_s)), body);
    std::vector<std::string> ranges;
    for (const ReceivedRequest& request : http.requests("/f.bin")) {
        ranges.push_back(request.header("Range"));
    }
    // Every answer breaks off after 10000 bytes, so the third request reaches the end.
    EXPECT_EQ(ranges, (std::vector<std::string>{"bytes=0-", "bytes=5904-", "bytes=11808-"}));
}

TEST(CurlTransportTest, CredentialsPortsAndFailures) {
    const QByteArray body = MakeTestBytes(5000);
    ScriptedServer http;
    http.handle("/f.bin", ScriptedServer::bytes({body}));
    http.handle("/secret.bin",
                ScriptedServer::basicAuth("user", "pw", ScriptedServer::bytes({body})));
    http.handle("/slow.bin", http.delayed(10000, ScriptedServer::bytes({body})));
    const Credentials right{u"user"_s, u"pw"_s}, wrong{u"user"_s, u"no"_s};
    const std::pair<Fetch, QString> rows[] = {
        // The remote port serves http URLs without a port of their own.
        {{u"http://127.0.0.1/f.bin"_s, {}, http.port()}, {}},
        {{http.url("/f.bin"), {}, 1}, {}},
        {{http.url("/secret.bin"), right}, {}},
        {{http.url("/secret.bin"), wrong}, u"Authorization failed."_s},
        {{http.url("/slow.bin"), {}, 80, 1}, u"Error 28 : Timeout was reached"_s},
        {{u"http://127.0.0.1:%1/f.bin"_s.arg(FindFreePort())}, u"Unable to connect."_s}};
    QTemporaryDir dir;
    const QString target = dir.filePath(u"f.bin"_s);
    for (const auto& [fetch, message] : rows) {
        SCOPED_TRACE(fetch.url.toStdString());
        QFile::remove(target);
        const TransferOutcome outcome = Download(fetch, target);
        EXPECT_EQ(outcome.logMessage, message);
        EXPECT_EQ(ReadFileBytes(target), message.isEmpty() ? body : "<missing>");
    }
}

// A head cut short or too large for libcurl fails the file with libcurl's
// error, never as an empty success; an earlier file stays.
TEST(CurlTransportTest, HeadCutShortOrTooLargeFailsTheFile) {
    const QString cut = u"Error 56 : Failure when receiving data from the peer"_s;
    const std::pair<QByteArray, QString> rows[] = {
        {"HTTP/1.1 200 OK\r\nContent-Len", cut},
        {"HTTP/1.1 200 OK\r\n", cut},
        {"HTTP/1.1 206 Partial Content\r\nContent-Range: bytes 0-9/10\r\n", cut},
        {"HTTP/1.1 200 OK\r\nX: " + QByteArray(1 << 20, 'a') + "\r\n\r\n",
         u"Error 27 : Out of memory"_s},  // libcurl's word for a header line over 100 KB
        {"HTTP/1.1 200 OK\r\n" + QByteArray("X: 1\r\n").repeated(100000) + "\r\n", cut}};
    QTemporaryDir dir;
    const QString target = dir.filePath(u"f.bin"_s);
    ASSERT_TRUE(WriteFileBytes(target, "earlier"));
    for (const auto& [answer, message] : rows) {
        RawResponder raw({{answer}});
        EXPECT_EQ(Download({raw.url("/f.bin")}, target).logMessage, message);
        EXPECT_EQ(ReadFileBytes(target), "earlier");
        EXPECT_EQ(FilesIn(dir.path()), QStringList{u"f.bin"_s});
    }
}

// Credentials follow a redirect on the same host, never one to another host.
TEST(CurlTransportTest, RedirectToAnotherHostDropsTheCredentials) {
    ScriptedServer a, b;  // two ports: two hosts as far as credentials go
    a.handle("/here",
             [&](auto&, httplib::Response& res) { res.set_redirect(a.url("/f").toStdString()); });
    a.handle("/there",
             [&](auto&, httplib::Response& res) { res.set_redirect(b.url("/f").toStdString()); });
    for (ScriptedServer* server : {&a, &b}) {
        server->handle("/f", ScriptedServer::basicAuth("u", "p", ScriptedServer::bytes({"1"})));
    }
    QTemporaryDir dir;
    EXPECT_TRUE(Download({a.url("/here"), {u"u"_s, u"p"_s}}, dir.filePath(u"1"_s)).completed());
    EXPECT_EQ(Download({a.url("/there"), {u"u"_s, u"p"_s}}, dir.filePath(u"2"_s)).logMessage,
              u"Authorization failed."_s);
    ASSERT_FALSE(b.requests("/f").empty());
    for (const ReceivedRequest& request : b.requests("/f")) {
        EXPECT_EQ(request.header("Authorization"), "");
    }
}

// Offsets past 2 and 3 GiB arrive where they belong.
TEST(CurlTransportTest, FileLargerThanThreeGibibytesFromNginx) {
    if (const auto why = NginxFixture::unavailableReason(); !why.empty()) {
        GTEST_SKIP() << why;
    }
    constexpr qint64 kGiB = 1LL << 30;
    const qint64 marks[] = {2 * kGiB - 4096, 3 * kGiB - 4096};
    QTemporaryDir root, dir;
    QFile big(root.filePath(u"big.bin"_s));
    ASSERT_TRUE(big.open(QIODevice::WriteOnly) && big.resize(3 * kGiB + (1 << 20)));  // sparse
    for (const qint64 mark : marks) {
        ASSERT_TRUE(big.seek(mark) && big.write(MakeTestBytes(8192, mark >> 30)) == 8192);
    }
    big.close();
    NginxFixture nginx({.root = root.path()});
    ASSERT_TRUE(nginx.start());
    EXPECT_TRUE(Download({nginx.url("/big.bin")}, dir.filePath(u"big.bin"_s)).completed());
    QFile copy(dir.filePath(u"big.bin"_s));
    ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
    EXPECT_EQ(copy.size(), 3 * kGiB + (1 << 20));
    for (const qint64 mark : marks) {
        ASSERT_TRUE(copy.seek(mark - 8));
        EXPECT_EQ(copy.read(8208),
                  QByteArray(8, 0) + MakeTestBytes(8192, mark >> 30) + QByteArray(8, 0));
    }
}

TEST(CurlTransportTest, FtpDownloadsAndItsFailures) {
    if (const auto why = FtpFixture::unavailableReason(); !why.empty()) {
        GTEST_SKIP() << why;
    }
    QTemporaryDir root, dir;
    const QByteArray body = MakeTestBytes(70000);
    ASSERT_TRUE(WriteFileBytes(root.filePath(u"f.bin"_s), body));
    FtpFixture ftp({.root = root.path(), .user = u"user"_s, .password = u"pw"_s});
    ASSERT_TRUE(ftp.start());
    const QString target = dir.filePath(u"f.bin"_s);
    const Credentials right{u"user"_s, u"pw"_s}, wrong{u"user"_s, u"no"_s};
    EXPECT_EQ(Download({ftp.url("/missing.bin"), right}, target).logMessage,
              u"File was not found."_s);
    EXPECT_EQ(Download({ftp.url("/f.bin"), wrong}, target).logMessage, u"Authorization failed."_s);
    EXPECT_EQ(ReadFileBytes(target), "<missing>");
    EXPECT_TRUE(Download({ftp.url("/f.bin"), right}, target).completed());
    EXPECT_EQ(ReadFileBytes(target), body);
}

}  // namespace
}  // namespace pg::test
