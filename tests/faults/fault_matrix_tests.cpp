#include "../download/fakes.h"
#include "download/batch.h"
#include "platform/curl_transport.h"
#include "support/raw_responder.h"
#include "support/server_process.h"
#include "support/test_bytes.h"

#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <httplib.h>

#include <array>
#include <random>

using namespace Qt::StringLiterals;

namespace pg::test {
namespace {

// A batch over libcurl with a 1 s time-out that answers Retry and "continue
// anyway" a few times.
BatchReport Fetch(const QStringList& urls, const QString& files, const QString& log) {
    CurlTransport transport;
    CancelRequest cancel;
    FakeUi ui{cancel};
    ui.retryAnswers = {true, true, true};
    ui.resumeAnswers = {true, true};
    const BatchServices services{transport, ui, ui, cancel, {}};
    return RunBatchToEnd(services, {urls, files, {}, 80, 1, log, u"Download incomplete."_s, {}});
}

// A correct answer: 200, or 206 from the asked offset (at most cap bytes; cap
// 0: no ranges served) unless an If-Range it heeds names another version. A
// server that does not know the length yet sends "/*" in its parts.
std::pair<QByteArray, QByteArray> Answer(const QByteArray& request, const QByteArray& file,
                                         const QByteArray& etag, qint64 cap, bool heedIfRange,
                                         bool lengthOpen) {
    const qsizetype range = request.indexOf("\r\nRange: bytes="),
                    ifRange = request.indexOf("\r\nIf-Range: ");
    const bool whole =
        cap == 0 || range < 0 ||
        (heedIfRange && ifRange >= 0 && !request.mid(ifRange + 12).startsWith(etag + "\r\n"));
    const qint64 from = whole ? 0 : request.mid(range + 15).split('-').first().toLongLong();
    const qint64 to = whole || cap < 0 ? file.size() : std::min(file.size(), from + cap);
    const QByteArray size = QByteArray::number(file.size());
    if (from >= file.size()) {
        return {"HTTP/1.1 416 No\r\nContent-Range: bytes */" + size + "\r\n\r\n", {}};
    }
    const QByteArray status =
        whole ? "200 OK"
              : "206 Part\r\nContent-Range: bytes " + QByteArray::number(from) + '-' +
                    QByteArray::number(to - 1) + '/' + (lengthOpen ? QByteArray("*") : size);
    return {"HTTP/1.1 " + status + "\r\nETag: " + etag +
                "\r\nContent-Length: " + QByteArray::number(to - from) + "\r\n\r\n",
            file.mid(from, to - from)};
}

// The faults, in the order of their names.
enum Kind { Head, Body, Trickle, Stall, Junk, Huge, Short, Long, Capped, Changed, Loop, Refused };
const QStringList kNames =
    QStringLiteral(
        "cut head,cut body,trickle,stall,garbage,huge head,short length,long length,capped 206,"
        "changed file,redirect loop,refused,unresolvable")
        .split(u',');

// The server of one run, and the file a completed run must give.
std::pair<std::unique_ptr<RawResponder>, QByteArray> MakeServer(Kind kind, std::mt19937& rng) {
    const auto pick = [&rng](qint64 lo, qint64 hi) {
        return std::uniform_int_distribution<qint64>(lo, std::max(lo, hi))(rng);
    };
    const QByteArray a = MakeTestBytes(pick(1, 30000), rng()),
                     b = MakeTestBytes(pick(1, 30000), rng());
    const int faulty =
        kind == Stall ? 1 : std::array{1, 2, 99}[pick(0, 2)];  // answers with the fault
    const qint64 cap = kind == Capped ? pick(100, 3000) : pick(0, 3) == 0 ? 0 : -1;
    const bool heedIfRange = pick(0, 1) == 1, lengthOpen = pick(0, 3) == 0;
    auto script = [=, &rng, served = 0](const QByteArray& request) mutable {
        const int n = served++;
        const bool fault = n < faulty, second = kind == Changed && n > 0;
        auto [head, body] = Answer(request, second ? b : a, second ? "\"b\"" : "\"a\"", cap,
                                   heedIfRange || !second, lengthOpen);
        RawAnswer answer{head + body, kind == Stall && fault};
        QByteArray& bytes = answer.bytes;
        const qsizetype afterStatus = head.indexOf("\r\n") + 2;
        if (kind == Loop) {
            bytes = "HTTP/1.1 302 Found\r\nLocation: /f\r\nContent-Length: 0\r\n\r\n";
        } else if ((kind == Head || kind == Stall) && fault) {
            bytes.truncate(pick(0, kind == Stall ? bytes.size() - 1 : head.size() - 1));
        } else if ((kind == Body && fault) || (kind == Changed && !second)) {
            bytes.truncate(head.size() + pick(0, body.size() - 1));
        } else if (kind == Junk && fault) {
            const QByteArray junk = MakeTestBytes(pick(1, 200), n);
            bytes = pick(0, 1) ? junk : bytes.insert(afterStatus, junk + "\r\n");
        } else if (kind == Huge && fault) {
            bytes.insert(afterStatus, pick(0, 1) ? "X-Big: " + QByteArray(1 << 20, 'a') + "\r\n"
                                                 : QByteArray("X-N: 1\r\n").repeated(100000));
        } else if (kind == Short) {
            bytes += MakeTestBytes(pick(1, 500), n);  // more body than Content-Length says
        } else if (kind == Long && fault) {
            bytes.replace("Content-Length: " + QByteArray::number(body.size()),
                          "Content-Length: " + QByteArray::number(body.size() + pick(1, 999)));
        } else if (kind == Trickle) {
            answer.pieces = 8;
            answer.pauseMs = int(pick(1, 30));
        }
        return answer;
    };
    return {std::make_unique<RawResponder>(script), kind == Changed ? b : a};
}

// Every run ends with the whole file at the target, or with no file there (an
// earlier one untouched) and two lines in the log; nothing else is left.
TEST(FaultMatrixTest, EveryRunEndsWholeOrFailedWithoutLitter) {
    constexpr quint32 kSeed = 0x5eed2024;
    std::mt19937 rng(kSeed);
    int counts[13][3] = {}, total[3] = {};  // per kind and in all: whole, failed, neither
    QTemporaryDir root;
    for (int i = 0; i < 260; ++i) {
        const Kind kind = Kind(i % kNames.size());
        auto [server, source] = MakeServer(kind, rng);
        const QString url = kind == Refused  ? u"http://127.0.0.1:%1/f"_s.arg(FindFreePort())
                            : kind > Refused ? u"http://pg-fault.invalid/f"_s
                                             : server->url("/f");
        const QString files = root.filePath(QString::number(i)), log = files + u".log"_s;
        const bool earlier = i % 2 == 1;
        ASSERT_TRUE(QDir().mkpath(files) &&
                    (!earlier || WriteFileBytes(files + u"/f"_s, "earlier")));
        const BatchReport report = Fetch({url}, files, log);
        const QByteArray target = ReadFileBytes(files + u"/f"_s), logText = ReadFileBytes(log);
        const QStringList left = FilesIn(files);
        const bool whole = report.downloaded == 1 && target == source && logText.isEmpty() &&
                           left == QStringList{u"f"_s};
        const bool failed = report.downloaded == 0 && logText.startsWith(url.toUtf8() + "\r\n") &&
                            logText.count("\r\n") == 2 && !logText.endsWith("\r\n\r\n") &&
                            left == (earlier ? QStringList{u"f"_s} : QStringList()) &&
                            target == (earlier ? "earlier" : "<missing>");
        EXPECT_TRUE(whole || failed)
            << i << ' ' << kNames[kind].toStdString() << ": " << logText.constData();
        // A head that never ended is libcurl's error, not a broken body.
        EXPECT_FALSE((kind == Head || kind == Huge) && logText.contains("incomplete")) << i;
        EXPECT_TRUE(whole || kind != Capped) << i;  // the rest is asked for at once, unasked
        const int outcome = whole ? 0 : failed ? 1 : 2;
        ++counts[kind][outcome];
        ++total[outcome];
    }
    for (int k = 0; k < kNames.size(); ++k) {
        std::printf("%-14s %3d whole %3d failed %3d neither\n", qPrintable(kNames[k]), counts[k][0],
                    counts[k][1], counts[k][2]);
    }
    std::printf("seed %#x: %d whole, %d failed, %d neither\n", kSeed, total[0], total[1], total[2]);
}

// "Unable to connect." ends the batch, so it means that no connection to the
// host could be made. A time-out on an open (here: reused) connection and a
// certificate failure are libcurl's error lines, and the batch goes on.
TEST(FaultMatrixTest, OnlyAHostOutOfReachEndsTheBatch) {
    QTemporaryDir dir;
    const QString cert = dir.filePath(u"cert.pem"_s), key = dir.filePath(u"key.pem"_s);
    QProcess openssl;
    openssl.start(u"openssl"_s, {u"req"_s, u"-x509"_s, u"-newkey"_s, u"ec"_s, u"-pkeyopt"_s,
                                 u"ec_paramgen_curve:P-256"_s, u"-nodes"_s, u"-subj"_s,
                                 u"/CN=127.0.0.1"_s, u"-keyout"_s, key, u"-out"_s, cert});
    ASSERT_TRUE(openssl.waitForFinished() && openssl.exitCode() == 0);
    httplib::SSLServer tls(cert.toLocal8Bit().constData(), key.toLocal8Bit().constData());
    const int tlsPort = tls.bind_to_any_port("127.0.0.1");
    std::thread tlsThread([&tls] { tls.listen_after_bind(); });
    RawResponder http([](const QByteArray& request) {
        return request.startsWith("GET /stall ")
                   ? RawAnswer{.stall = true}
                   : RawAnswer{.bytes = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok",
                               .keepAlive = true};
    });
    const std::pair<QString, QByteArray> rows[] = {
        {http.url("/stall"), "Error 28 : Timeout was reached"},
        {u"https://127.0.0.1:%1/a"_s.arg(tlsPort),
         "Error 60 : SSL peer certificate or SSH remote key was not OK"},
        {u"http://127.0.0.1:%1/a"_s.arg(FindFreePort()), "Unable to connect."}};
    for (const auto& [failing, message] : rows) {
        const QString log = dir.filePath(u"error.log"_s);
        const BatchReport report =
            Fetch({http.url("/first"), failing, http.url("/last")}, dir.filePath(u"f"_s), log);
        EXPECT_EQ(ReadFileBytes(log).toStdString(),
                  (failing.toUtf8() + "\r\n" + message + "\r\n").toStdString());
        EXPECT_EQ(report.attempted, message == "Unable to connect." ? 2 : 3);
    }
    tls.stop();
    tlsThread.join();
}

}  // namespace
}  // namespace pg::test
