#include "support/raw_responder.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace pg::test {

RawResponder::RawResponder(std::vector<RawAnswer> answers) : answers_(std::move(answers)) {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    auto* raw = reinterpret_cast<sockaddr*>(&address);
    if (answers_.empty() || ::bind(listener_, raw, length) != 0 || ::listen(listener_, 16) != 0 ||
        ::getsockname(listener_, raw, &length) != 0) {
        qFatal("RawResponder needs an answer and a socket on 127.0.0.1");
    }
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { run(); });
}

RawResponder::~RawResponder() {
    ::shutdown(listener_, SHUT_RDWR);  // wakes the accept() below
    thread_.join();
    ::close(listener_);
}

QString RawResponder::url(const QByteArray& path) const {
    return QStringLiteral("http://127.0.0.1:%1").arg(port_) + QString::fromUtf8(path);
}

void RawResponder::run() {
    std::vector<int> stalled;
    for (size_t i = 0;; ++i) {
        const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0 && errno == EINTR) {
            continue;
        }
        if (fd < 0) {
            break;
        }
        const timeval limit{5, 0};  // a client that sends no request head
        ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
        QByteArray head;
        char buffer[4096];
        ssize_t n = 0;
        while (!head.contains("\r\n\r\n") && (n = ::recv(fd, buffer, sizeof buffer, 0)) > 0) {
            head.append(buffer, n);
        }
        const RawAnswer& answer = answers_[std::min(i, answers_.size() - 1)];
        ::send(fd, answer.bytes.constData(), size_t(answer.bytes.size()), MSG_NOSIGNAL);
        if (answer.stall) {
            stalled.push_back(fd);
        } else {
            ::shutdown(fd, SHUT_WR);
            ::close(fd);
        }
    }
    for (const int fd : stalled) {
        ::close(fd);
    }
}

}  // namespace pg::test
