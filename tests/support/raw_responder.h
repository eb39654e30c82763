#pragma once

#include <QByteArray>
#include <QString>

#include <thread>
#include <vector>

namespace pg::test {

struct RawAnswer {
    QByteArray bytes;    // written verbatim once the request head has arrived
    bool stall = false;  // then keep the connection open and silent until the responder stops
};

// Answers HTTP requests with scripted bytes that no server library would send
// (a cut status line, garbage headers), one connection at a time from its own
// thread on 127.0.0.1 and a free port.
//
//   RawResponder raw({{"HTTP/1.1 200 OK\r\nContent-Len"}});
class RawResponder {
public:
    // Connection i gets answers[i]; connections after the last get the last one.
    explicit RawResponder(std::vector<RawAnswer> answers);
    ~RawResponder();
    RawResponder(const RawResponder&) = delete;
    RawResponder& operator=(const RawResponder&) = delete;

    QString url(const QByteArray& path) const;  // "http://127.0.0.1:PORT" + path

private:
    void run();

    const std::vector<RawAnswer> answers_;
    int listener_ = -1;
    quint16 port_ = 0;
    std::thread thread_;
};

}  // namespace pg::test
