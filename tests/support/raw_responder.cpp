#include "support/raw_responder.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>

namespace pg::test {

RawResponder::RawResponder(std::vector<RawAnswer> answers) : answers_(std::move(answers)) {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (answers_.empty() || ::bind(listener_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::listen(listener_, 16) != 0 ||
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        qFatal("RawResponder needs an answer and a socket on 127.0.0.1");
    }
    port_ = ntohs(address.sin_port);
    wake_ = ::eventfd(0, EFD_CLOEXEC);
    thread_ = std::thread([this] { run(); });
}

RawResponder::~RawResponder() {
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto written = ::write(wake_, &one, sizeof one);
    thread_.join();
    ::close(listener_);
    ::close(wake_);
}

QString RawResponder::url(const QByteArray& path) const {
    return QStringLiteral("http://127.0.0.1:%1").arg(port_) + QString::fromUtf8(path);
}

QList<QByteArray> RawResponder::requests() const {
    const std::lock_guard lock(mutex_);
    return requests_;
}

// False on time-out and once the responder stops (the eventfd stays readable).
bool RawResponder::waitReadable(int fd, int timeoutMs) const {
    pollfd fds[] = {{fd, POLLIN, 0}, {wake_, POLLIN, 0}};
    return ::poll(fds, 2, timeoutMs) > 0 && fds[1].revents == 0;
}

void RawResponder::run() {
    std::vector<int> stalled;
    for (size_t i = 0; waitReadable(listener_, -1); ++i) {
        const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) {
            continue;
        }
        QByteArray head;
        char buffer[4096];
        while (!head.contains("\r\n\r\n") && waitReadable(fd, 10000)) {
            const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
            if (n <= 0) {
                break;
            }
            head.append(buffer, n);
        }
        {
            const std::lock_guard lock(mutex_);
            requests_.append(head);
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
