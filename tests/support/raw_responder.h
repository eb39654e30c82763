#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <mutex>
#include <thread>
#include <vector>

namespace pg::test {

struct RawAnswer {
    QByteArray bytes;    // written verbatim once the request head has arrived
    bool stall = false;  // then keep the connection open and silent until the responder stops
};

// Answers HTTP requests with scripted bytes that no server library would send:
// a connection cut inside the status line or headers, garbage headers, a 206
// for the wrong part. Plain sockets on 127.0.0.1 and a free port, served one
// connection at a time from a background thread, so it works while the test's
// main thread blocks.
//
//   RawResponder raw({{"HTTP/1.1 200 OK\r\nContent-Len"}});
//   ... fetch raw.url("/f.bin") ...
class RawResponder {
public:
    // Connection i gets answers[i]; connections after the last get the last one.
    explicit RawResponder(std::vector<RawAnswer> answers);
    ~RawResponder();
    RawResponder(const RawResponder&) = delete;
    RawResponder& operator=(const RawResponder&) = delete;

    quint16 port() const { return port_; }
    QString url(const QByteArray& path) const;  // "http://127.0.0.1:PORT" + path

    // The request heads received, one per connection, in order.
    QList<QByteArray> requests() const;

private:
    void run();
    bool waitReadable(int fd, int timeoutMs) const;

    const std::vector<RawAnswer> answers_;
    int listener_ = -1;
    int wake_ = -1;  // eventfd that tells the thread to stop
    quint16 port_ = 0;
    std::thread thread_;
    mutable std::mutex mutex_;  // guards requests_
    QList<QByteArray> requests_;
};

}  // namespace pg::test
