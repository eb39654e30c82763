#include "../download/fakes.h"
#include "download/part_file.h"
#include "platform/curl_page_fetcher.h"
#include "platform/curl_transport.h"
#include "support/page_runs.h"
#include "support/scripted_server.h"
#include "support/server_process.h"
#include "support/test_bytes.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <filesystem>

using namespace Qt::StringLiterals;

namespace pg::test {
namespace {

// Downloads through libcurl, answering every retry question with Retry.
TransferOutcome Download(const QString& url, const QString& target,
                         const Credentials& credentials = {}, int remotePort = 80) {
    CurlTransport transport;
    CancelRequest cancel;
    FakeUi ui{cancel};
    ui.retryAnswers = {true, true, true};
    TransferContext context{transport, ui, ui, cancel, remotePort, 60, {}, {}};
    return RunTransferToEnd(context, {url, target, 1, 1}, credentials, cancel);
}

// The remote port serves http URLs without a port of their own. Credentials
// follow a redirect on the same host, never one to another host (another port).
TEST(CurlTransportTest, CredentialsAndPorts) {
    const QByteArray body = MakeTestBytes(20000);
    ScriptedServer http, other;
    http.handle("/f.bin", ScriptedServer::bytes({body}));
    for (ScriptedServer* server : {&http, &other}) {
        server->handle("/secret.bin",
                       ScriptedServer::basicAuth("user", "pw", ScriptedServer::bytes({body})));
        http.handle(server == &http ? "/here" : "/there", [server](auto&, httplib::Response& res) {
            res.set_redirect(server->url("/secret.bin").toStdString());
        });
    }
    const Credentials right{u"user"_s, u"pw"_s}, wrong{u"user"_s, u"no"_s};
    const std::tuple<QString, Credentials, int, QString> rows[] = {
        {u"http://127.0.0.1/f.bin"_s, {}, http.port(), {}},
        {http.url("/f.bin"), {}, 1, {}},
        {http.url("/secret.bin"), right, 80, {}},
        {http.url("/secret.bin"), wrong, 80, u"Authorization failed."_s},
        {http.url("/here"), right, 80, {}},
        {http.url("/there"), right, 80, u"Authorization failed."_s}};
    QTemporaryDir dir;
    const QString target = dir.filePath(u"f.bin"_s);
    for (const auto& [url, credentials, remotePort, message] : rows) {
        SCOPED_TRACE(url.toStdString());
        QFile::remove(target);
        EXPECT_EQ(LogMessage(Download(url, target, credentials, remotePort)), message);
        EXPECT_EQ(ReadFileBytes(target), message.isEmpty() ? body : "<missing>");
    }
    ASSERT_EQ(other.requests("/secret.bin").size(), 1);  // no second try with the credentials
    EXPECT_EQ(other.requests("/secret.bin")[0].header("Authorization"), "");
}

// The cookies a page sets go with the requests for its files, and a new page
// retrieval starts without them.
TEST(CurlTransportTest, APagesCookiesGoWithItsFilesUntilTheNextPage) {
    ScriptedServer http;
    http.handle("/a.html", [](const httplib::Request&, httplib::Response& res) {
        res.set_header("Set-Cookie", "s=1; Path=/");
        res.set_content("<p>a</p>", "text/html");
    });
    http.handle("/b.html", ScriptedServer::bytes({"<p>b</p>", "text/html"}));
    http.handle("/f.bin", ScriptedServer::bytes({"f"}));
    const CurlCookieJar jar;
    CurlPageFetcher fetcher(5, 5, CurlPageFetcher::kMaxPageBytes, &jar);
    CurlTransport transport(&jar);
    QTemporaryDir dir;
    for (const auto& [page, cookie] : {std::pair{"/a.html", "s=1"}, std::pair{"/b.html", ""}}) {
        PageText text;
        ASSERT_TRUE(FetchToEnd(fetcher, http.url(page), text).retrieved());
        CancelRequest cancel;
        FakeUi ui{cancel};
        TransferContext context{transport, ui, ui, cancel, 80, 5, {}, {}};
        EXPECT_TRUE(
            RunTransferToEnd(context, {http.url("/f.bin"), dir.filePath(u"f"_s), 1, 1}, {}, cancel)
                .completed());
        EXPECT_EQ(http.requests("/f.bin").back().header("Cookie"), cookie) << page;
    }
}

// Offsets past 2 and 3 GiB arrive where they belong.
TEST(CurlTransportTest, FileLargerThanThreeGibibytesFromNginx) {
    QTemporaryDir root, dir;
    ServerProcess nginx = Nginx(root.path());
    if (!nginx.unavailable.empty()) {
        GTEST_SKIP() << nginx.unavailable;
    }
    constexpr qint64 kGiB = 1LL << 30, kSize = 3 * kGiB + (1 << 20);
    const qint64 marks[] = {2 * kGiB - 4096, 3 * kGiB - 4096};
    // The copy takes the whole size (the source is sparse), with room to spare.
    if (const auto space = std::filesystem::space(dir.path().toStdString());
        static_cast<qint64>(space.available) < kSize + kGiB) {
        GTEST_SKIP() << "needs " << (kSize + kGiB) / kGiB << " GiB free in "
                     << dir.path().toStdString() << ", has " << space.available / kGiB << " GiB";
    }
    QFile big(root.filePath(u"big.bin"_s)), copy(dir.filePath(u"big.bin"_s));
    ASSERT_TRUE(big.open(QIODevice::WriteOnly) && big.resize(kSize));  // sparse
    for (const qint64 mark : marks) {
        ASSERT_TRUE(big.seek(mark) && big.write(MakeTestBytes(8192, mark >> 30)) == 8192);
    }
    big.close();
    ASSERT_TRUE(nginx.start());
    EXPECT_TRUE(Download(nginx.url("/big.bin"), copy.fileName()).completed());
    ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
    EXPECT_EQ(copy.size(), kSize);
    for (const qint64 mark : marks) {
        ASSERT_TRUE(copy.seek(mark - 8));
        EXPECT_EQ(copy.read(8208),
                  QByteArray(8, 0) + MakeTestBytes(8192, mark >> 30) + QByteArray(8, 0));
    }
}

TEST(CurlTransportTest, FtpDownloadsAndItsFailures) {
    QTemporaryDir root, dir;
    ServerProcess ftp = Ftp(root.path(), u"user"_s, u"pw"_s);
    if (!ftp.unavailable.empty()) {
        GTEST_SKIP() << ftp.unavailable;
    }
    const QByteArray body = MakeTestBytes(70000);
    ASSERT_TRUE(WriteFileBytes(root.filePath(u"f.bin"_s), body) && ftp.start());
    const QString target = dir.filePath(u"f.bin"_s);
    const Credentials right{u"user"_s, u"pw"_s}, wrong{u"user"_s, u"no"_s};
    EXPECT_EQ(LogMessage(Download(ftp.url("/missing.bin"), target, right)),
              u"File was not found."_s);
    EXPECT_EQ(LogMessage(Download(ftp.url("/f.bin"), target, wrong)), u"Authorization failed."_s);
    EXPECT_EQ(ReadFileBytes(target), "<missing>");
    EXPECT_TRUE(Download(ftp.url("/f.bin"), target, right).completed());
    EXPECT_EQ(ReadFileBytes(target), body);
    // The file's time names its version: a part file of that time is resumed
    // (its bytes before the overlap kept), one of another time is not.
    QFile served(root.filePath(u"f.bin"_s));
    ASSERT_TRUE(served.open(QIODevice::ReadWrite) &&
                served.setFileTime(QDateTime::fromSecsSinceEpoch(1700000000, Qt::UTC),
                                   QFileDevice::FileModificationTime));
    served.close();
    const QByteArray kept(30000 - 4096, 'k');
    for (const QByteArray time :
         {"Tue, 14 Nov 2023 22:13:20 GMT", "Tue, 14 Nov 2023 22:13:21 GMT"}) {
        QFile::remove(target);
        const QString part = PartFilePath(target, ftp.url("/f.bin"), time);
        ASSERT_TRUE(WriteFileBytes(part, kept + QByteArray(4096, 'x')) &&
                    QFile::setPermissions(part, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
        EXPECT_TRUE(Download(ftp.url("/f.bin"), target, right).completed());
        EXPECT_EQ(ReadFileBytes(target),
                  time.endsWith("20 GMT") ? kept + body.sliced(kept.size()) : body);
    }
}

}  // namespace
}  // namespace pg::test
