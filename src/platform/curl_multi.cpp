#include "platform/curl_multi.h"

#include <QSocketNotifier>

namespace pg {

struct CurlMulti::Socket {
    std::unique_ptr<QSocketNotifier> read;
    std::unique_ptr<QSocketNotifier> write;
};

namespace {

// A notifier is never deleted from inside its own signal: libcurl may drop a
// socket while it reacts to that socket's activity.
void Retire(std::unique_ptr<QSocketNotifier>& notifier) {
    if (notifier) {
        notifier->setEnabled(false);
        notifier.release()->deleteLater();
    }
}

}  // namespace

CurlMulti& CurlMulti::instance() {
    static CurlMulti* multi = new CurlMulti;  // lives until the process ends
    return *multi;
}

CurlMulti::CurlMulti() {
    curl_global_init(CURL_GLOBAL_DEFAULT);
    multi_ = curl_multi_init();
    curl_multi_setopt(multi_, CURLMOPT_SOCKETFUNCTION, &CurlMulti::onSocket);
    curl_multi_setopt(multi_, CURLMOPT_SOCKETDATA, this);
    curl_multi_setopt(multi_, CURLMOPT_TIMERFUNCTION, &CurlMulti::onTimer);
    curl_multi_setopt(multi_, CURLMOPT_TIMERDATA, this);
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, [this] { socketAction(CURL_SOCKET_TIMEOUT, 0); });
    watchdog_.setInterval(250);
    connect(&watchdog_, &QTimer::timeout, this, [this] { socketAction(CURL_SOCKET_TIMEOUT, 0); });
}

CurlMulti::~CurlMulti() {
    for (auto& [easy, done] : running_) {
        curl_multi_remove_handle(multi_, easy);
    }
    curl_multi_cleanup(multi_);
}

void CurlMulti::add(CURL* easy, DoneFn onDone) {
    running_[easy] = std::move(onDone);
    curl_multi_add_handle(multi_, easy);  // schedules a timer callback that starts it
    if (!watchdog_.isActive()) {
        watchdog_.start();
    }
}

void CurlMulti::remove(CURL* easy) {
    if (running_.erase(easy) > 0) {
        curl_multi_remove_handle(multi_, easy);
    }
    if (running_.empty()) {
        watchdog_.stop();
    }
}

void CurlMulti::resume(CURL* easy) {
    if (running_.count(easy) > 0) {
        curl_easy_pause(easy, CURLPAUSE_CONT);
        // Data kept back while paused may complete the transfer right here.
        collectDone();
    }
}

int CurlMulti::onSocket(CURL*, curl_socket_t fd, int what, void* self, void*) {
    auto* multi = static_cast<CurlMulti*>(self);
    auto& sockets = multi->sockets_;
    if (what == CURL_POLL_REMOVE) {
        auto it = sockets.find(fd);
        if (it != sockets.end()) {
            Retire(it->second->read);
            Retire(it->second->write);
            sockets.erase(it);
        }
        return 0;
    }
    auto& socket = sockets[fd];
    if (!socket) {
        socket = std::make_unique<Socket>();
        socket->read = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
        socket->write = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Write);
        connect(socket->read.get(), &QSocketNotifier::activated, multi,
                [multi, fd] { multi->socketAction(fd, CURL_CSELECT_IN); });
        connect(socket->write.get(), &QSocketNotifier::activated, multi,
                [multi, fd] { multi->socketAction(fd, CURL_CSELECT_OUT); });
    }
    socket->read->setEnabled(what == CURL_POLL_IN || what == CURL_POLL_INOUT);
    socket->write->setEnabled(what == CURL_POLL_OUT || what == CURL_POLL_INOUT);
    return 0;
}

int CurlMulti::onTimer(CURLM*, long timeoutMs, void* self) {
    auto* multi = static_cast<CurlMulti*>(self);
    if (timeoutMs < 0) {
        multi->timer_.stop();
    } else {
        multi->timer_.start(static_cast<int>(timeoutMs));
    }
    return 0;
}

void CurlMulti::socketAction(curl_socket_t fd, int eventMask) {
    int running = 0;
    curl_multi_socket_action(multi_, fd, eventMask, &running);
    collectDone();
}

void CurlMulti::collectDone() {
    int queued = 0;
    while (CURLMsg* message = curl_multi_info_read(multi_, &queued)) {
        if (message->msg != CURLMSG_DONE) {
            continue;
        }
        CURL* easy = message->easy_handle;
        const CURLcode result = message->data.result;
        curl_multi_remove_handle(multi_, easy);
        auto it = running_.find(easy);
        if (it == running_.end()) {
            continue;
        }
        DoneFn done = std::move(it->second);
        running_.erase(it);
        if (running_.empty()) {
            watchdog_.stop();
        }
        if (done) {
            done(result);
        }
    }
}

}  // namespace pg
