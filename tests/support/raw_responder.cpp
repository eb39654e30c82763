#include "support/raw_responder.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace pg::test {

RawResponder::RawResponder(std::vector<RawAnswer> answers)
    : RawResponder([answers, n = size_t(0)](const QByteArray&) mutable {
          return answers.at(std::min(n++, answers.size() - 1));
      }) {}

RawResponder::RawResponder(Script script) : script_(std::move(script)) {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
    socklen_t length = sizeof address;
    auto* raw = reinterpret_cast<sockaddr*>(&address);
    if (::bind(listener_, raw, length) != 0 || ::listen(listener_, 16) != 0 ||
        ::getsockname(listener_, raw, &length) != 0) {
        qFatal("RawResponder cannot listen on 127.0.0.1");
    }
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] {
        std::vector<int> connections;  // closed only at the end: active_ stays valid
        for (int fd; (fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC)) >= 0;) {
            connections.push_back(active_ = fd);
            serve(fd);
        }
        for (const int fd : connections) {
            ::close(fd);
        }
    });
}

RawResponder::~RawResponder() {
    ::shutdown(listener_, SHUT_RDWR);  // wakes the accept() above
    ::shutdown(active_, SHUT_RDWR);    // and a wait for the next request on a kept connection
    thread_.join();
    ::close(listener_);
}

QString RawResponder::url(const QByteArray& path) const {
    return QStringLiteral("http://127.0.0.1:%1").arg(port_) + QString::fromUtf8(path);
}

void RawResponder::serve(int fd) {
    const timeval limit{5, 0};  // a client that sends no request head
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    for (RawAnswer answer{.keepAlive = true}; answer.keepAlive;) {
        QByteArray head;
        char buffer[4096];
        for (ssize_t n = 0; !head.contains("\r\n\r\n");
             head.append(buffer, std::max(n, ssize_t()))) {
            if ((n = ::recv(fd, buffer, sizeof buffer, 0)) == 0 || (n < 0 && errno != EINTR)) {
                return;
            }
        }
        answer = script_(head);
        // A client that gave up ends the answer (the send fails).
        ::send(fd, answer.bytes.constData(), size_t(answer.bytes.size()), MSG_NOSIGNAL);
        if (answer.stall) {
            return;
        }
    }
    ::shutdown(fd, SHUT_WR);
}

}  // namespace pg::test
