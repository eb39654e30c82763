#include "../download/fakes.h"
#include "download/batch.h"
#include "platform/curl_easy.h"
#include "platform/curl_transport.h"
#include "support/raw_responder.h"
#include "support/server_process.h"
#include "support/test_bytes.h"

#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <httplib.h>

#include <algorithm>
#include <array>
#include <random>

using namespace Qt::StringLiterals;

namespace pg::test {
namespace {

// The questions a run answers yes to: Retry, and "continue anyway" when a
// resume gets the whole file.
constexpr int kRetries = 3, kRestarts = 2;

// A batch over libcurl with a 1 s time-out that answers the questions as above.
BatchReport Fetch(const QStringList& urls, const QString& files, const QString& log) {
    CurlTransport transport;
    CancelRequest cancel;
    FakeUi ui{cancel};
    ui.retryAnswers = QList<bool>(kRetries, true);
    ui.resumeAnswers = QList<bool>(kRestarts, true);
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

enum Kind { Head, Body, Stall, Long, Capped, Changed, kKinds };
// The name and the runs of each kind: every stall costs a time-out.
const struct {
    const char* name;
    int runs;
} kKind[kKinds] = {{"cut head", 24},    {"cut body", 24},   {"stall", 6},
                   {"long length", 24}, {"capped 206", 16}, {"changed file", 40}};

// Where an answer with the fault breaks off: inside its status line, in its
// header lines, in the blank line that ends its head, or in its body.
enum class Cut { None, StatusLine, Head, HeadEnd, Body };

struct Fault {
    Cut cut = Cut::None;
    double at = 0;  // where in that part, from 0 to 1
};

// What the generator drew for one run.
struct Plan {
    Kind kind;
    quint32 seed;
    QByteArray a{}, b{};  // the file, and the new version of a changed file
    // Answers with the fault; a 416, which brings no byte of the file, is never one.
    int faulty = 0;
    std::array<Fault, kRetries + 1> faults{};  // of the first answers; later ones like the last
    qint64 cap = -1;                           // as Answer() takes it
    bool heedIfRange = true, lengthOpen = false;
    int amount = 0;  // bytes that a Content-Length claims past the body

    Fault fault(int answer) const {
        return answer < faulty ? faults[std::min<size_t>(answer, faults.size() - 1)] : Fault{};
    }
};

// Everything is drawn from the run's seed before it starts, so that what the
// engine asks for changes neither this run's faults nor another run's.
Plan Draw(Kind kind, quint32 seed) {
    std::mt19937 rng(seed);
    const auto pick = [&rng](qint64 lo, qint64 hi) {
        return std::uniform_int_distribution<qint64>(lo, hi)(rng);
    };
    const auto chance = [&rng](double p) { return std::bernoulli_distribution(p)(rng); };
    Plan plan{.kind = kind, .seed = seed};
    plan.a = MakeTestBytes(pick(1, 30000), rng());
    // Half the changed files keep their length: only the version tells them apart.
    plan.b = MakeTestBytes(chance(0.5) ? plan.a.size() : pick(1, 30000), rng());
    plan.faulty = kind == Changed ? 1 : std::array{1, 2, 99}[pick(0, 2)];
    // A changed file is served in ranges: a splice needs a server that resumes.
    plan.cap = kind == Capped ? pick(100, 3000) : kind != Changed && chance(0.25) ? 0 : -1;
    plan.heedIfRange = chance(0.5);
    plan.lengthOpen = chance(0.25);
    plan.amount = int(pick(1, 500));
    // A Content-Length past the body only breaks the body when no range names the end.
    const bool lengthFromRange = plan.cap != 0 && !plan.lengthOpen;
    for (Fault& fault : plan.faults) {
        fault.at = std::uniform_real_distribution<>()(rng);
        fault.cut = kind == Head    ? (chance(0.2) ? Cut::StatusLine : Cut(pick(2, 3)))
                    : kind == Stall ? Cut(pick(1, 4))
                    : kind == Body || kind == Changed || (kind == Long && !lengthFromRange)
                        ? Cut::Body
                        : Cut::None;
    }
    return plan;
}

// The server of a run: correct answers but for the drawn fault in the first
// plan.faulty answers that bring bytes of the file.
std::unique_ptr<RawResponder> Serve(const Plan& plan) {
    return std::make_unique<RawResponder>([plan, served = 0](const QByteArray& request) mutable {
        const bool second = plan.kind == Changed && served > 0;
        auto [head, body] = Answer(request, second ? plan.b : plan.a, second ? "\"b\"" : "\"a\"",
                                   plan.cap, plan.heedIfRange || !second, plan.lengthOpen);
        const int n = head.startsWith("HTTP/1.1 416") ? -1 : served++;
        const bool faulty = n >= 0 && n < plan.faulty;
        const Fault fault = faulty ? plan.fault(n) : Fault{};
        RawAnswer answer{head + body};
        QByteArray& bytes = answer.bytes;
        if (plan.kind == Long && faulty) {  // a Content-Length past the body
            const QByteArray length = "Content-Length: ";
            bytes.replace(length + QByteArray::number(body.size()),
                          length + QByteArray::number(body.size() + plan.amount));
        } else if (plan.kind != Long && fault.cut != Cut::None) {
            // The answer breaks off where drawn; a stall then keeps the connection.
            const qsizetype bounds[] = {0, head.indexOf("\r\n") + 2, head.size() - 2, head.size(),
                                        bytes.size()};
            const qsizetype* part = bounds + int(fault.cut) - 1;
            bytes.truncate(part[0] + qsizetype(fault.at * double(part[1] - part[0])));
            answer.stall = plan.kind == Stall;
        }
        return answer;
    });
}

QString CurlLine(CURLcode code) {
    return u"Error %1 : %2"_s.arg(int(code)).arg(CurlErrorText(code));
}

// The log line of a file that ends at this fault.
QString FailureLine(Kind kind, const Fault& fault) {
    if (fault.cut == Cut::Body) {
        return u"Download incomplete."_s;
    }
    // libcurl takes a cut inside the head for a clean end (the transport calls
    // it a receive error), or for a partial file once Content-Length, the last
    // header line, has come.
    return CurlLine(kind == Stall                  ? CURLE_OPERATION_TIMEDOUT
                    : fault.cut == Cut::StatusLine ? CURLE_GOT_NOTHING
                    : fault.cut == Cut::HeadEnd    ? CURLE_PARTIAL_FILE
                                                   : CURLE_RECV_ERROR);
}

// How a run must end: "whole", or "failed: " and its log line. Each answer
// with the fault spends a Retry; the one that finds none left gives the line.
// An answer that broke off inside its status line is no answer: it ends the
// file at once while no byte of it has been written. A resume that gets the
// whole file, or another version, spends a "continue anyway" once its head
// has come.
QString Expected(const Plan& plan) {
    const bool resumeGetsWhole = plan.cap == 0 || plan.kind == Changed;
    int retries = kRetries, restarts = kRestarts;
    bool written = false;  // an answer's body began: a part file stands
    for (int answer = 0;; ++answer) {
        const Fault fault = plan.fault(answer);
        const bool headEnded = fault.cut == Cut::None || fault.cut == Cut::Body;
        if (written && resumeGetsWhole && headEnded && restarts-- == 0) {
            return u"failed: Unable to resume download."_s;
        }
        if (fault.cut == Cut::None) {
            return u"whole"_s;
        }
        if ((fault.cut == Cut::StatusLine && !written) || retries-- == 0) {
            return u"failed: "_s + FailureLine(plan.kind, fault);
        }
        written = written || fault.cut == Cut::Body;
    }
}

// How a run ended: "whole", "failed: " and the log line, or what else it left.
QString Observed(const BatchReport& report, const QString& url, const QString& files,
                 const QString& log, const QByteArray& source, bool earlier) {
    const QByteArray target = ReadFileBytes(files + u"/f"_s);
    const QList<QByteArray> lines = ReadFileBytes(log).split('\n');
    const QStringList left = FilesIn(files);
    if (report.downloaded == 1 && target == source && lines == QList<QByteArray>{""} &&
        left == QStringList{u"f"_s}) {
        return u"whole"_s;
    }
    if (report.downloaded == 0 && lines.size() == 3 && lines[0] == url.toUtf8() + '\r' &&
        lines[1].endsWith('\r') && lines[2].isEmpty() &&
        left == (earlier ? QStringList{u"f"_s} : QStringList()) &&
        target == (earlier ? "earlier" : "<missing>")) {
        return u"failed: "_s + QString::fromUtf8(lines[1].chopped(1));
    }
    const QString content = target == source        ? u"the file"_s
                            : target == "earlier"   ? u"the earlier file"_s
                            : target == "<missing>" ? u"no file"_s
                                                    : u"%1 other bytes"_s.arg(target.size());
    return u"%1 downloaded, %2 at the target, left %3, log \"%4\""_s.arg(report.downloaded)
        .arg(content, left.join(u' '), QString::fromUtf8(ReadFileBytes(log)));
}

// Every run ends as the faults its server was given allow: whole when the
// questions answered yes suffice to recover, else failed with the fault's log
// line, and either way nothing else left (an earlier file untouched).
TEST(FaultMatrixTest, EveryRunEndsAsItsFaultsAllow) {
    constexpr quint32 kSeed = 0x5eed2024;
    std::printf("%-14s %4s  %-22s %-28s %s\n", "kind", "runs", "expected whole/failed",
                "observed whole/failed/other", "wrong");
    QTemporaryDir root;
    for (int kind = 0, run = 0; kind < kKinds; ++kind) {
        const int runs = kKind[kind].runs;
        int expectedWhole = 0, whole = 0, failed = 0, wrong = 0;
        for (int i = 0; i < runs; ++i, ++run) {
            const Plan plan = Draw(Kind(kind), kSeed + quint32(run));
            const auto server = Serve(plan);
            const QString url = server->url("/f");
            const QString files = root.filePath(QString::number(run)), log = files + u".log"_s;
            const bool earlier = run % 2 == 1;
            ASSERT_TRUE(QDir().mkpath(files) &&
                        (!earlier || WriteFileBytes(files + u"/f"_s, "earlier")));
            const QString expected = Expected(plan);
            const QString observed = Observed(Fetch({url}, files, log), url, files, log,
                                              kind == Changed ? plan.b : plan.a, earlier);
            expectedWhole += expected == u"whole"_s;
            whole += observed == u"whole"_s;
            failed += observed.startsWith(u"failed: "_s);
            if (observed != expected) {
                ++wrong;
                ADD_FAILURE() << "run " << run << " (" << kKind[kind].name << ", seed 0x"
                              << std::hex << plan.seed << std::dec << "): expected "
                              << expected.toStdString() << ", observed " << observed.toStdString();
            }
        }
        const QString expected = u"%1/%2"_s.arg(expectedWhole).arg(runs - expectedWhole),
                      observed = u"%1/%2/%3"_s.arg(whole).arg(failed).arg(runs - whole - failed);
        std::printf("%-14s %4d  %-22s %-28s %d\n", kKind[kind].name, runs, qPrintable(expected),
                    qPrintable(observed), wrong);
    }
}

// "Unable to connect." ends the batch, so it means that no connection to the
// host could be made (refused, or no such host). A time-out on an open (here:
// reused) connection, a certificate failure and a redirect loop that libcurl
// gave up are its error lines, and the batch goes on.
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
    const QByteArray ok = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok",
                     loop = "HTTP/1.1 302 Found\r\nLocation: /loop\r\nContent-Length: 0\r\n\r\n";
    RawResponder http([&](const QByteArray& request) {
        const QByteArray path = request.split(' ').value(1);
        return path == "/stall"  ? RawAnswer{.stall = true}
               : path == "/loop" ? RawAnswer{loop}
                                 : RawAnswer{.bytes = ok, .keepAlive = true};
    });
    const std::pair<QString, QByteArray> rows[] = {
        {http.url("/stall"), "Error 28 : Timeout was reached"},
        {u"https://127.0.0.1:%1/a"_s.arg(tlsPort),
         "Error 60 : SSL peer certificate or SSH remote key was not OK"},
        {http.url("/loop"), CurlLine(CURLE_TOO_MANY_REDIRECTS).toUtf8()},
        {u"http://127.0.0.1:%1/a"_s.arg(FindFreePort()), "Unable to connect."},
        {u"http://pg-fault.invalid/a"_s, "Unable to connect."}};
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
