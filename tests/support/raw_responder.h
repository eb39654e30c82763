#pragma once

#include <QByteArray>
#include <QString>

#include <atomic>
#include <functional>
#include <thread>
#include <vector>

namespace pg::test {

struct RawAnswer {
    QByteArray bytes{};      // written verbatim once the request head has arrived
    bool stall = false;      // then keep the connection open and silent until the responder stops
    bool keepAlive = false;  // then read the next request on the same connection
};

// Answers HTTP requests with scripted bytes that no server library would send
// (a cut status line or head, a silent server), one connection at a time
// from its own thread on 127.0.0.1 and a free port.
//
//   RawResponder raw({{"HTTP/1.1 200 OK\r\nContent-Len"}});
class RawResponder {
public:
    using Script = std::function<RawAnswer(const QByteArray& requestHead)>;

    // Request i gets answers[i]; requests after the last get the last one.
    explicit RawResponder(std::vector<RawAnswer> answers);
    explicit RawResponder(Script script);
    ~RawResponder();
    RawResponder(const RawResponder&) = delete;
    RawResponder& operator=(const RawResponder&) = delete;

    QString url(const QByteArray& path) const;  // "http://127.0.0.1:PORT" + path

private:
    void serve(int fd);

    const Script script_;
    int listener_ = -1;
    quint16 port_ = 0;
    std::atomic<int> active_ = -1;  // the connection being served
    std::thread thread_;
};

}  // namespace pg::test
