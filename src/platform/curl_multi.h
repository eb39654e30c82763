#pragma once

#include <QObject>
#include <QTimer>

#include <curl/curl.h>

#include <functional>
#include <map>
#include <memory>

class QSocketNotifier;

namespace pg {

// Drives libcurl's multi interface from the Qt event loop of the one
// user-interface thread: socket notifiers and a timer call back into libcurl,
// so transfers make progress whenever the event loop runs.
class CurlMulti : public QObject {
    Q_OBJECT
public:
    using DoneFn = std::function<void(CURLcode)>;

    static CurlMulti& instance();

    // Starts a configured easy handle; onDone runs once, from the event loop,
    // when the transfer has ended. The caller keeps ownership of the handle.
    void add(CURL* easy, DoneFn onDone);
    // Stops a transfer that has not ended yet; onDone is not called.
    void remove(CURL* easy);
    // Lets a paused transfer go on (after its write function returned a pause).
    void resume(CURL* easy);

private:
    CurlMulti();
    ~CurlMulti() override;

    struct Socket;
    static int onSocket(CURL* easy, curl_socket_t fd, int what, void* self, void* socketData);
    static int onTimer(CURLM* multi, long timeoutMs, void* self);
    void socketAction(curl_socket_t fd, int eventMask);
    void collectDone();

    CURLM* multi_ = nullptr;
    QTimer timer_;
    // Nudges libcurl now and then while transfers run: an ftp transfer that
    // reuses its control connection can otherwise wait for an event that never
    // comes (libcurl 7.88, after the reply to EPSV).
    QTimer watchdog_;
    std::map<curl_socket_t, std::unique_ptr<Socket>> sockets_;
    std::map<CURL*, DoneFn> running_;
};

}  // namespace pg
