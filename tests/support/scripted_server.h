#pragma once

#include <httplib.h>

#include <QByteArray>
#include <QString>

#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace pg::test {

// One request as the server received it, before any handler ran.
struct ReceivedRequest {
    std::string method;  // "GET", "HEAD", ...
    std::string path;    // without the query
    httplib::Headers headers;

    // First value of a header (names compared case-insensitively); empty if absent.
    std::string header(const std::string& name) const;
};

// What bytes() answers.
struct BodyAnswer {
    QByteArray body;
    std::string contentType = "application/octet-stream";
    // >= 0: close the connection after this many bytes of the answer's body,
    // although Content-Length promises all of it (a broken transfer).
    qint64 cutAfter = -1;
    bool honourRange = true;  // false: always 200 and the whole body
};

// cpp-httplib serving on 127.0.0.1 and a free port from its own threads, so it
// answers while the test's main thread blocks or runs a Qt event loop.
// httplib's own Range handling is switched off: handlers see the Range header
// and decide status, Content-Range and body themselves. Every answer closes
// its connection.
//
//   ScriptedServer http;
//   http.handle("/f.bin", http.bytes({.body = MakeTestBytes(1000), .cutAfter = 400}));
//   ... fetch http.url("/f.bin") twice ...
//   EXPECT_EQ(http.requests("/f.bin").at(1).header("Range"), "bytes=400-");
class ScriptedServer {
public:
    using Handler = httplib::Server::Handler;

    ScriptedServer();
    // Wakes handlers waiting in delayed(), stops the server and joins its thread.
    ~ScriptedServer();
    ScriptedServer(const ScriptedServer&) = delete;
    ScriptedServer& operator=(const ScriptedServer&) = delete;

    // Answers GET and HEAD of path (without the query) from now on, in place of
    // any earlier handler for it; may be called while requests are answered.
    // Paths without a handler get 404.
    void handle(const std::string& path, Handler handler);

    quint16 port() const { return port_; }
    QString url(const QByteArray& path) const;  // "http://127.0.0.1:PORT" + path

    // Copies of the requests received so far, in order; all or those for path.
    std::vector<ReceivedRequest> requests() const;
    std::vector<ReceivedRequest> requests(const std::string& path) const;

    // Answers with answer.body: 200, or for "Range: bytes=N-" 206 with the rest
    // from N and its Content-Range, or 416 when N is at or past the end.
    Handler bytes(BodyAnswer answer);
    // Runs next only with "Authorization: Basic" for user:password; otherwise 401
    // and a Basic challenge.
    Handler basicAuth(const QByteArray& user, const QByteArray& password, Handler next);
    // Waits ms (cut short when the server stops), then runs next; a stalled answer
    // for time-out tests.
    Handler delayed(int ms, Handler next);

private:
    httplib::Server server_;
    std::thread thread_;
    quint16 port_ = 0;
    mutable std::mutex mutex_;  // guards handlers_, requests_ and stopping_
    std::condition_variable wake_;
    std::map<std::string, Handler> handlers_;
    std::vector<ReceivedRequest> requests_;
    bool stopping_ = false;
};

}  // namespace pg::test
