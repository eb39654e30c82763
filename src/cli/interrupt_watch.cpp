#include "cli/interrupt_watch.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <utility>

namespace pg::cli {

namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

std::atomic<bool> g_interrupted{false};
std::atomic<int> g_wakeFd{-1};
static_assert(std::atomic<bool>::is_always_lock_free && std::atomic<int>::is_always_lock_free,
              "the signal handler needs lock-free atomics");

void OnSignal(int) {
    const int savedErrno = errno;
    g_interrupted.store(true);
    const int fd = g_wakeFd.load();
    if (fd >= 0) {
        const char byte = 1;
        [[maybe_unused]] const ssize_t written = ::write(fd, &byte, 1);
    }
    errno = savedErrno;
}

}  // namespace

InterruptWatch::InterruptWatch(std::function<void()> onInterrupt)
    : onInterrupt_(std::move(onInterrupt)) {
    g_interrupted.store(false);
    if (::pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) == 0) {
        g_wakeFd.store(pipe_[1]);
        notifier_ = std::make_unique<QSocketNotifier>(pipe_[0], QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] {
            char buffer[16];
            while (::read(pipe_[0], buffer, sizeof buffer) > 0) {
            }
            if (onInterrupt_) {
                onInterrupt_();
            }
        });
    }
    struct sigaction action = {};
    action.sa_handler = &OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    for (int i = 0; i < 3; ++i) {
        ::sigaction(kSignals[i], &action, &previous_[i]);
    }
}

InterruptWatch::~InterruptWatch() {
    for (int i = 0; i < 3; ++i) {
        ::sigaction(kSignals[i], &previous_[i], nullptr);
    }
    g_wakeFd.store(-1);
    notifier_.reset();
    for (int fd : pipe_) {
        if (fd >= 0) {
            ::close(fd);
        }
    }
}

bool InterruptWatch::interrupted() const {
    return g_interrupted.load();
}

}  // namespace pg::cli
