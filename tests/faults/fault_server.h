#pragma once

#include <QByteArray>
#include <QString>

#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <functional>
#include <thread>
#include <vector>

namespace pg::test {

// What one request gets: byte steps, each after a pause in ms, then the end.
struct Reply {
    std::vector<std::pair<int, QByteArray>> steps;
    enum End { Close, Stall, KeepAlive } end = Close;  // Stall: open and silent
};

// A misbehaving HTTP server on 127.0.0.1 that a script drives: one connection
// at a time (a stalled one until the client gives up), from its own thread.
class FaultServer {
public:
    explicit FaultServer(std::function<Reply(const QByteArray& request)> script)
        : script_(std::move(script)) {
        sockaddr_in address{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
        socklen_t length = sizeof address;
        auto* raw = reinterpret_cast<sockaddr*>(&address);
        if (::bind(listener_, raw, length) != 0 || ::listen(listener_, 16) != 0 ||
            ::getsockname(listener_, raw, &length) != 0) {
            qFatal("FaultServer cannot listen on 127.0.0.1");
        }
        url_ = QStringLiteral("http://127.0.0.1:%1").arg(ntohs(address.sin_port));
        thread_ = std::thread([this] {
            for (int fd; (fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC)) >= 0;) {
                serve(fd);
                ::close(fd);
            }
        });
    }
    ~FaultServer() {
        stop_ = true;
        ::shutdown(listener_, SHUT_RDWR);
        thread_.join();
        ::close(listener_);
    }
    QString url(const char* path) const { return url_ + QLatin1String(path); }

private:
    // Waits up to ms; true early when the client sends something, or with
    // untilClosed when it closes the connection.
    bool wait(int fd, int ms, bool untilClosed = false) const {
        for (char byte; ms > 0 && !stop_; ms -= 20) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 20) > 0 && (!untilClosed || ::recv(fd, &byte, 1, MSG_PEEK) <= 0)) {
                return true;
            }
        }
        return false;
    }
    void serve(int fd) {
        for (Reply reply{{}, Reply::KeepAlive}; reply.end == Reply::KeepAlive;) {
            QByteArray request;
            char buffer[4096];
            for (ssize_t n = 0; !request.contains("\r\n\r\n"); request.append(buffer, n)) {
                if (!wait(fd, 5000) || (n = ::recv(fd, buffer, sizeof buffer, 0)) <= 0) {
                    return;
                }
            }
            reply = script_(request);
            for (const auto& [ms, bytes] : reply.steps) {
                if (wait(fd, ms, true) || stop_ ||
                    ::send(fd, bytes.constData(), size_t(bytes.size()), MSG_NOSIGNAL) < 0) {
                    return;
                }
            }
            if (reply.end == Reply::Stall) {
                wait(fd, 60000, true);
            }
        }
    }

    std::function<Reply(const QByteArray&)> script_;
    int listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    QString url_;
    std::atomic<bool> stop_ = false;
    std::thread thread_;
};

}  // namespace pg::test
