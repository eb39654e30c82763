#pragma once

#include <httplib.h>

#include <QByteArray>
#include <QString>

#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace pg::test {

// One request as the server received it.
struct ReceivedRequest {
    std::string path;  // without the query
    httplib::Headers headers;

    // First value of a header (any case); empty if absent.
    std::string header(const std::string& name) const;
};

// What bytes() answers.
struct BodyAnswer {
    QByteArray body;
    std::string contentType = "application/octet-stream";
    // >= 0: the connection closes after this many bytes of the answer's body,
    // although Content-Length promises all of it.
    qint64 cutAfter = -1;
    std::string etag{};  // sent as ETag when not empty
};

// cpp-httplib on 127.0.0.1 and a free port, answering from its own threads.
// httplib serves "Range: bytes=N-" from what a handler answers (206, or 416
// past the end). Every answer closes its connection.
//
//   ScriptedServer http;
//   http.handle("/f.bin", http.bytes({.body = MakeTestBytes(1000), .cutAfter = 400}));
//   ... fetch http.url("/f.bin") twice ...
//   EXPECT_EQ(http.requests("/f.bin").at(1).header("Range"), "bytes=400-");
class ScriptedServer {
public:
    using Handler = httplib::Server::Handler;

    ScriptedServer();
    ~ScriptedServer();
    ScriptedServer(const ScriptedServer&) = delete;
    ScriptedServer& operator=(const ScriptedServer&) = delete;

    // Answers GET of path with handler from now on; paths without one get 404.
    void handle(const std::string& path, Handler handler);

    quint16 port() const { return port_; }
    QString url(const QByteArray& path) const;  // "http://127.0.0.1:PORT" + path
    std::vector<ReceivedRequest> requests(const std::string& path) const;

    static Handler bytes(BodyAnswer answer);
    // Runs next only with Basic credentials user:password; otherwise 401.
    static Handler basicAuth(const QByteArray& user, const QByteArray& password, Handler next);

private:
    httplib::Server server_;
    std::thread thread_;
    quint16 port_ = 0;
    mutable std::mutex mutex_;  // guards handlers_ and requests_
    std::map<std::string, Handler> handlers_;
    std::vector<ReceivedRequest> requests_;
};

}  // namespace pg::test
