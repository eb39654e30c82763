// A TCP relay on 127.0.0.1 that delays each direction by a fixed time, so that
// programs can be measured over a link with a real round trip on a machine
// without the kernel's netem.
//
//   latency_proxy --upstream HOST:PORT --delay-ms MS [--port PORT] [--handshake]
//
// Listens on 127.0.0.1:PORT (0 or none: a free port) and prints the port as the
// first line of stdout. Each accepted connection gets its own connection to
// HOST:PORT; bytes read from either end at time t are written to the other at
// t + MS, in order, and an end of stream (shutdown or close) is passed on the
// same way. A reset read from one end resets both after MS; a failed write
// resets both at once. --handshake also holds a new connection's bytes until
// one round trip (2 MS) after it was accepted, as TCP's handshake would.
//
// One thread: epoll over non-blocking sockets, and a timerfd armed for the
// earliest due chunk. Runs until killed.
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/epoll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <functional>
#include <queue>
#include <string>
#include <unordered_map>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr size_t kReadSize = 64 * 1024;
// Reading from an end pauses while this much waits to go the other way, so a
// slow receiver cannot make the relay hold unbounded memory. At a 10 ms delay
// it still lets 800 MiB/s through one connection.
constexpr size_t kMaxQueued = 8 * 1024 * 1024;
constexpr uint64_t kListenerTag = 0;
constexpr uint64_t kTimerTag = 1;

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "latency_proxy: %s: %s\n", what, std::strerror(errno));
    std::exit(1);
}

enum class Mark { Data, End, Reset };

struct Chunk {
    Clock::time_point due;
    Mark mark;
    std::vector<char> bytes;
    size_t sent = 0;
};

// One socket of a relayed connection: side 0 is the client, side 1 upstream.
struct Side {
    int fd = -1;
    bool reading = true;      // no end of stream or error read from it yet
    uint32_t registered = 0;  // events epoll watches; 0 = not in the epoll set
};

// What was read from side i waits in flow i until due, then goes to side 1 - i.
struct Flow {
    std::deque<Chunk> chunks;
    size_t queued = 0;
    bool blocked = false;  // the front chunk is due but the socket is full
    bool ended = false;    // the end of stream was passed on
};

struct Relay {
    Side side[2];
    Flow flow[2];
    bool connected = false;  // the upstream connect completed
    bool dead = false;       // to be reset and removed
    Clock::time_point accepted;
};

struct Timer {
    Clock::time_point due;
    uint64_t relay;
    bool operator>(const Timer& other) const { return due > other.due; }
};

class Proxy {
public:
    Proxy(addrinfo* upstream, Clock::duration delay, bool handshake)
        : upstream_(upstream), delay_(delay), handshake_(handshake) {
        epoll_ = epoll_create1(EPOLL_CLOEXEC);
        timer_ = timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
        if (epoll_ < 0 || timer_ < 0)
            fail("epoll or timerfd");
        watch(timer_, EPOLLIN, kTimerTag);
    }

    int listenOn(uint16_t port) {
        listener_ = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (listener_ < 0)
            fail("socket");
        int on = 1;
        setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
            fail("bind");
        if (listen(listener_, SOMAXCONN) != 0)
            fail("listen");
        socklen_t length = sizeof address;
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
        watch(listener_, EPOLLIN, kListenerTag);
        return ntohs(address.sin_port);
    }

    [[noreturn]] void run() {
        std::vector<epoll_event> events(256);
        for (;;) {
            armTimer();
            int count = epoll_wait(epoll_, events.data(), static_cast<int>(events.size()), -1);
            if (count < 0 && errno != EINTR)
                fail("epoll_wait");
            for (int i = 0; i < count; ++i) {
                uint64_t tag = events[i].data.u64;
                if (tag == kListenerTag) {
                    acceptAll();
                } else if (tag == kTimerTag) {
                    uint64_t expirations;
                    [[maybe_unused]] auto ignored = read(timer_, &expirations, sizeof expirations);
                } else {
                    onSocket(tag / 2, static_cast<int>(tag % 2));
                }
            }
            runDueTimers();
        }
    }

private:
    void watch(int fd, uint32_t events, uint64_t tag) {
        epoll_event event{};
        event.events = events;
        event.data.u64 = tag;
        if (epoll_ctl(epoll_, EPOLL_CTL_ADD, fd, &event) != 0)
            fail("epoll_ctl");
    }

    void acceptAll() {
        for (;;) {
            int client = accept4(listener_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
            if (client < 0) {
                if (errno != EAGAIN && errno != EINTR && errno != ECONNABORTED)
                    std::perror("latency_proxy: accept");
                if (errno == EINTR || errno == ECONNABORTED)
                    continue;
                return;
            }
            uint64_t id = nextId_++;
            Relay& relay = relays_[id];
            relay.accepted = Clock::now();
            relay.side[0].fd = client;
            relay.side[1].fd =
                socket(upstream_->ai_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
            int on = 1;
            for (Side& side : relay.side)
                setsockopt(side.fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
            if (relay.side[1].fd < 0) {
                relay.dead = true;
            } else if (connect(relay.side[1].fd, upstream_->ai_addr, upstream_->ai_addrlen) == 0) {
                relay.connected = true;
            } else if (errno != EINPROGRESS) {
                relay.dead = true;
            }
            settle(id);
        }
    }

    void onSocket(uint64_t id, int s) {
        auto found = relays_.find(id);
        if (found == relays_.end())
            return;
        Relay& relay = found->second;
        if (s == 1 && !relay.connected) {
            int error = 0;
            socklen_t length = sizeof error;
            getsockopt(relay.side[1].fd, SOL_SOCKET, SO_ERROR, &error, &length);
            if (error != 0) {
                relay.dead = true;
                settle(id);
                return;
            }
            relay.connected = true;
            flush(relay, 0);
        }
        if (wantsToRead(relay, s))
            readFrom(id, relay, s);
        if (!relay.dead && relay.flow[1 - s].blocked)
            flush(relay, 1 - s);
        settle(id);
    }

    bool wantsToRead(const Relay& relay, int s) const {
        return relay.side[s].reading && relay.flow[s].queued < kMaxQueued &&
               (s == 0 || relay.connected);
    }

    void readFrom(uint64_t id, Relay& relay, int s) {
        static std::vector<char> buffer(kReadSize);
        while (wantsToRead(relay, s)) {
            ssize_t n = recv(relay.side[s].fd, buffer.data(), buffer.size(), 0);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 && errno == EAGAIN)
                break;
            if (n > 0) {
                enqueue(id, relay, s, Mark::Data, {buffer.begin(), buffer.begin() + n});
            } else {
                relay.side[s].reading = false;
                enqueue(id, relay, s, n == 0 ? Mark::End : Mark::Reset, {});
            }
        }
        flush(relay, s);  // due at once when the delay is 0
    }

    void enqueue(uint64_t id, Relay& relay, int s, Mark mark, std::vector<char> bytes) {
        Clock::time_point start = Clock::now();
        if (handshake_)
            start = std::max(start, relay.accepted + 2 * delay_);
        Clock::time_point due = start + delay_;
        Flow& flow = relay.flow[s];
        flow.queued += bytes.size();
        flow.chunks.push_back({due, mark, std::move(bytes)});
        timers_.push({due, id});
    }

    // Writes flow s's due chunks to the other side, in order, until the socket is full.
    void flush(Relay& relay, int s) {
        Flow& flow = relay.flow[s];
        int to = relay.side[1 - s].fd;
        if (s == 0 && !relay.connected)
            return;
        flow.blocked = false;
        Clock::time_point now = Clock::now();
        while (!flow.chunks.empty() && flow.chunks.front().due <= now) {
            Chunk& chunk = flow.chunks.front();
            if (chunk.mark == Mark::Reset) {
                relay.dead = true;
                return;
            }
            if (chunk.mark == Mark::End) {
                shutdown(to, SHUT_WR);
                flow.ended = true;
                flow.chunks.pop_front();
                continue;
            }
            ssize_t n = send(to, chunk.bytes.data() + chunk.sent, chunk.bytes.size() - chunk.sent,
                             MSG_NOSIGNAL);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 && errno == EAGAIN) {
                flow.blocked = true;
                return;
            }
            if (n < 0) {
                relay.dead = true;
                return;
            }
            chunk.sent += static_cast<size_t>(n);
            if (chunk.sent < chunk.bytes.size()) {
                flow.blocked = true;
                return;
            }
            flow.queued -= chunk.bytes.size();
            flow.chunks.pop_front();
        }
    }

    void runDueTimers() {
        Clock::time_point now = Clock::now();
        while (!timers_.empty() && timers_.top().due <= now) {
            uint64_t id = timers_.top().relay;
            timers_.pop();
            auto found = relays_.find(id);
            if (found == relays_.end())
                continue;
            for (int s = 0; s < 2 && !found->second.dead; ++s)
                flush(found->second, s);
            settle(id);
        }
    }

    void armTimer() {
        if (timers_.empty() || timers_.top().due == armed_)
            return;
        armed_ = timers_.top().due;
        auto since = armed_.time_since_epoch();
        auto seconds = std::chrono::duration_cast<std::chrono::seconds>(since);
        itimerspec when{};
        when.it_value.tv_sec = seconds.count();
        when.it_value.tv_nsec =
            std::chrono::duration_cast<std::chrono::nanoseconds>(since - seconds).count();
        if (timerfd_settime(timer_, TFD_TIMER_ABSTIME, &when, nullptr) != 0)
            fail("timerfd");
    }

    // Closes a relay that is done or dead; otherwise sets what epoll watches on its sockets.
    void settle(uint64_t id) {
        Relay& relay = relays_.at(id);
        if (relay.dead || (relay.flow[0].ended && relay.flow[1].ended)) {
            for (Side& side : relay.side) {
                if (side.fd < 0)
                    continue;
                if (relay.dead) {
                    linger abortive{1, 0};  // close with a reset
                    setsockopt(side.fd, SOL_SOCKET, SO_LINGER, &abortive, sizeof abortive);
                }
                close(side.fd);
            }
            relays_.erase(id);
            return;
        }
        for (int s = 0; s < 2; ++s) {
            bool in = wantsToRead(relay, s);
            bool out = relay.flow[1 - s].blocked || (s == 1 && !relay.connected);
            uint32_t events = (in ? EPOLLIN : 0u) | (out ? EPOLLOUT : 0u);
            Side& side = relay.side[s];
            if (events == side.registered)
                continue;
            // A socket with nothing to watch leaves the set, so that a hang-up
            // on it cannot wake the loop over and over.
            epoll_event event{};
            event.events = events;
            event.data.u64 = id * 2 + static_cast<uint64_t>(s);
            int op = events == 0 ? EPOLL_CTL_DEL
                                 : (side.registered == 0 ? EPOLL_CTL_ADD : EPOLL_CTL_MOD);
            if (epoll_ctl(epoll_, op, side.fd, &event) != 0)
                fail("epoll_ctl");
            side.registered = events;
        }
    }

    addrinfo* upstream_;
    Clock::duration delay_;
    bool handshake_;
    int epoll_ = -1;
    int timer_ = -1;
    int listener_ = -1;
    uint64_t nextId_ = 1;  // tags 0 and 1 are the listener's and the timer's
    std::unordered_map<uint64_t, Relay> relays_;
    std::priority_queue<Timer, std::vector<Timer>, std::greater<>> timers_;
    Clock::time_point armed_;
};

[[noreturn]] void usage() {
    std::fprintf(stderr,
                 "usage: latency_proxy --upstream HOST:PORT --delay-ms MS [--port PORT] "
                 "[--handshake]\n");
    std::exit(2);
}

}  // namespace

int main(int argc, char** argv) {
    std::string upstream;
    double delayMs = -1;
    long port = 0;
    bool handshake = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        bool hasValue = i + 1 < argc;
        if (arg == "--upstream" && hasValue) {
            upstream = argv[++i];
        } else if (arg == "--delay-ms" && hasValue) {
            delayMs = std::strtod(argv[++i], nullptr);
        } else if (arg == "--port" && hasValue) {
            port = std::strtol(argv[++i], nullptr, 10);
        } else if (arg == "--handshake") {
            handshake = true;
        } else {
            usage();
        }
    }
    size_t colon = upstream.rfind(':');
    if (colon == std::string::npos || delayMs < 0 || port < 0 || port > 65535)
        usage();
    std::string host = upstream.substr(0, colon);
    if (host.size() > 2 && host.front() == '[' && host.back() == ']')
        host = host.substr(1, host.size() - 2);

    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* resolved = nullptr;
    if (int error = getaddrinfo(host.c_str(), upstream.c_str() + colon + 1, &hints, &resolved)) {
        std::fprintf(stderr, "latency_proxy: %s: %s\n", upstream.c_str(), gai_strerror(error));
        return 1;
    }

    // Two descriptors per connection: take all the process may have.
    rlimit files{};
    if (getrlimit(RLIMIT_NOFILE, &files) == 0) {
        files.rlim_cur = files.rlim_max;
        setrlimit(RLIMIT_NOFILE, &files);
    }
    std::signal(SIGPIPE, SIG_IGN);

    auto delay = std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double, std::milli>(delayMs));
    Proxy proxy(resolved, delay, handshake);
    std::printf("%d\n", proxy.listenOn(static_cast<uint16_t>(port)));
    std::fflush(stdout);
    proxy.run();
}
