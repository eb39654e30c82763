#include "platform/curl_transport.h"

#include "platform/curl_easy.h"
#include "platform/curl_multi.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QLocale>
#include <QPointer>
#include <QTimer>
#include <QUrl>

#include <algorithm>

namespace pg {

namespace {

// The most libcurl hands over at once; each piece goes straight to the file.
constexpr long kReceiveBuffer = 512L * 1024;

struct SlistDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

// One request; libcurl's callbacks on the event loop move it on and tell the
// listener.
class CurlSession : public TransferSession {
public:
    CurlSession(const TransferRequest& request, TransferListener& listener,
                const CurlCookieJar* cookies)
        : listener_(listener),
          stallMs_(request.timeoutSecs * 1000LL),
          ftp_(IsFtpUrl(request.url)),
          offset_(request.offset),
          host_(QUrl(request.url, QUrl::TolerantMode).host()) {
        easy_ = NewCurlEasy(CurlUrlBytes(request.url, request.remotePort), request.userName,
                            request.password, request.timeoutSecs, request.timeoutSecs);
        CURL* h = easy_.get();
        curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &CurlSession::onData);
        curl_easy_setopt(h, CURLOPT_WRITEDATA, this);
        curl_easy_setopt(h, CURLOPT_BUFFERSIZE, kReceiveBuffer);
        curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, &CurlSession::onHeader);
        curl_easy_setopt(h, CURLOPT_HEADERDATA, this);
        curl_easy_setopt(h, CURLOPT_PREREQFUNCTION, &CurlSession::onConnected);
        curl_easy_setopt(h, CURLOPT_PREREQDATA, this);
        curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, &CurlSession::onProgress);
        curl_easy_setopt(h, CURLOPT_XFERINFODATA, this);
        curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
        if (cookies) {
            cookies->attach(h);
        }
        if (!request.referer.isEmpty()) {
            curl_easy_setopt(h, CURLOPT_REFERER, request.referer.toUtf8().constData());
        }
        // Over https a request waits to share a connection that may multiplex.
        if (request.url.startsWith(QLatin1String("https:"), Qt::CaseInsensitive)) {
            curl_easy_setopt(h, CURLOPT_PIPEWAIT, 1L);
        }
        if (ftp_) {
            // The file's time (MDTM) identifies its version, as Last-Modified does.
            curl_easy_setopt(h, CURLOPT_FILETIME, 1L);
            if (request.offset > 0) {
                curl_easy_setopt(h, CURLOPT_RESUME_FROM_LARGE,
                                 static_cast<curl_off_t>(request.offset));
            }
        } else {
            const QByteArray range = QByteArray::number(request.offset) + '-';
            curl_easy_setopt(h, CURLOPT_RANGE, range.constData());
            if (!request.ifRange.isEmpty()) {
                const QByteArray line = "If-Range: " + request.ifRange;
                headers_.reset(curl_slist_append(nullptr, line.constData()));
                curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers_.get());
            }
        }
        CurlMulti::instance().add(h, [this](CURLcode code) { onDone(code); });
    }

    ~CurlSession() override {
        if (!done_) {
            CurlMulti::instance().remove(easy_.get());
        }
    }

    int statusCode() const override {
        if (ftp_) {
            switch (result_) {
                case CURLE_REMOTE_FILE_NOT_FOUND:
                case CURLE_REMOTE_ACCESS_DENIED:
                    return 404;
                case CURLE_LOGIN_DENIED:
                    return 401;
                default:
                    return offset_ > 0 ? 206 : 200;
            }
        }
        long code = 0;
        curl_easy_getinfo(easy_.get(), CURLINFO_RESPONSE_CODE, &code);
        return static_cast<int>(code);
    }

    qint64 contentLength() const override {
        curl_off_t length = -1;
        curl_easy_getinfo(easy_.get(), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
        return length;
    }

    std::optional<ContentRange> contentRange() const override {
        if (!ftp_) {
            return ParseContentRange(head_.value("Content-Range"));
        }
        // An ftp resume gives the rest of the file from the offset on.
        const qint64 length = contentLength();
        ContentRange range{offset_, -1, -1};
        if (length >= 0) {
            range.last = offset_ + length - 1;
            range.completeLength = offset_ + length;
        }
        return range;
    }

    QByteArray validator() const override {
        if (!ftp_) {
            return IfRangeValidator(head_.value("ETag"), head_.value("Last-Modified"));
        }
        // ftp cannot make a resume conditional; the engine compares the time
        // of the file resumed with the first one's.
        curl_off_t time = -1;
        curl_easy_getinfo(easy_.get(), CURLINFO_FILETIME_T, &time);
        if (time < 0) {
            return {};
        }
        const QDateTime modified = QDateTime::fromSecsSinceEpoch(time, Qt::UTC);
        return QLocale::c().toString(modified, u"ddd, dd MMM yyyy hh:mm:ss 'GMT'").toLatin1();
    }

    QString remoteHost() const override { return host_; }

    QString effectiveUrl() const override {
        char* url = nullptr;
        curl_easy_getinfo(easy_.get(), CURLINFO_EFFECTIVE_URL, &url);
        return url ? QString::fromUtf8(url) : QString();
    }

    int retryAfterSecs() const override {
        const std::optional<qint64> seconds =
            ParseRetryAfter(head_.value("Retry-After"), QDateTime::currentDateTimeUtc());
        return seconds ? static_cast<int>(std::min<qint64>(*seconds, 1 << 30)) : -1;
    }

    void resume() override {
        if (!held_) {
            return;
        }
        // From the event loop: resuming may hand the held data over, or end
        // the request, at once.
        QTimer::singleShot(0, [guard = QPointer<QObject>(&guard_), this] {
            if (!guard) {
                return;
            }
            held_ = false;
            if (endHeld_) {
                reportEnd();
            } else {
                CurlMulti::instance().resume(easy_.get());
            }
        });
    }

    TransferError error() const override {
        TransferError error;
        if (!done_ || (result_ == CURLE_OK && headEnded())) {
            return error;
        }
        error.headCut = !ftp_ && head_.status() > 0 && !head_.ended();
        // libcurl takes a connection cut inside the head for a clean end.
        const CURLcode code = stalled_              ? CURLE_OPERATION_TIMEDOUT
                              : result_ == CURLE_OK ? CURLE_RECV_ERROR
                                                    : result_;
        error.code = static_cast<int>(code);
        error.text = CurlErrorText(code);
        // Connect time is no guide: it is zero on a reused connection too.
        error.noConnection = code == CURLE_COULDNT_RESOLVE_HOST ||
                             code == CURLE_COULDNT_RESOLVE_PROXY || code == CURLE_COULDNT_CONNECT ||
                             (code == CURLE_OPERATION_TIMEDOUT && !connected_);
        return error;
    }

private:
    // ftp has no head to end.
    bool headEnded() const { return ftp_ || head_.ended(); }

    // Whether a request that has ended got an answer to take.
    bool answeredAtEnd() const {
        if (ftp_) {
            return result_ == CURLE_OK || statusCode() != (offset_ > 0 ? 206 : 200);
        }
        // The head of a redirect that libcurl gave up following is no answer.
        return headEnded() && statusCode() > 0 && result_ != CURLE_TOO_MANY_REDIRECTS;
    }

    void onDone(CURLcode code) {
        done_ = true;
        result_ = code;
        if (!stopped_ && !answered_ && answeredAtEnd()) {
            answered_ = true;
            switch (listener_.answered(*this)) {
                case TransferListener::Take::Body:
                    break;
                case TransferListener::Take::Hold:
                    held_ = endHeld_ = true;
                    return;
                case TransferListener::Take::Stop:
                    stopped_ = true;
                    break;
            }
        }
        reportEnd();
    }

    // The last call to the listener, which may destroy this session.
    void reportEnd() {
        using End = TransferListener::End;
        const End end = stopped_                           ? End::Stopped
                        : !answered_                       ? End::NoAnswer
                        : result_ == CURLE_OK && !stalled_ ? End::Complete
                                                           : End::Broken;
        listener_.ended(end);
    }

    static size_t onHeader(char* data, size_t size, size_t count, void* self) {
        const size_t bytes = size * count;
        auto* session = static_cast<CurlSession*>(self);
        session->head_.addLine(QByteArrayView(data, static_cast<qsizetype>(bytes)));
        session->idle_.start();
        return bytes;
    }

    static int onConnected(void* self, char*, char*, int, int) {
        auto* session = static_cast<CurlSession*>(self);
        session->connected_ = true;
        session->idle_.start();
        return CURL_PREREQFUNC_OK;
    }

    // Ends a transfer on an open connection that brought nothing for the
    // time-out. libcurl's own low-speed check averages over several seconds,
    // so a stall after a burst of data would last longer than the time-out.
    static int onProgress(void* self, curl_off_t, curl_off_t received, curl_off_t, curl_off_t) {
        auto* session = static_cast<CurlSession*>(self);
        if (received != session->lastReceived_ || session->held_ || !session->connected_) {
            session->lastReceived_ = received;
            session->idle_.start();
        } else if (session->stallMs_ > 0 && session->idle_.hasExpired(session->stallMs_)) {
            session->stalled_ = true;
            return 1;
        }
        return 0;
    }

    static size_t onData(char* data, size_t size, size_t count, void* self) {
        auto* session = static_cast<CurlSession*>(self);
        const size_t bytes = size * count;
        if (session->stopped_) {
            return 0;  // ends the transfer
        }
        if (session->held_) {
            return CURL_WRITEFUNC_PAUSE;
        }
        if (!session->answered_) {
            session->answered_ = true;
            switch (session->listener_.answered(*session)) {
                case TransferListener::Take::Body:
                    break;
                case TransferListener::Take::Hold:
                    session->held_ = true;
                    return CURL_WRITEFUNC_PAUSE;  // libcurl hands the data over again later
                case TransferListener::Take::Stop:
                    session->stopped_ = true;
                    return 0;
            }
        }
        if (!session->listener_.received(data, static_cast<qint64>(bytes))) {
            session->stopped_ = true;
            return 0;
        }
        return bytes;
    }

    TransferListener& listener_;
    std::unique_ptr<curl_slist, SlistDeleter> headers_;  // outlives easy_
    const qint64 stallMs_;
    CurlEasy easy_;
    const bool ftp_;
    const qint64 offset_;
    const QString host_;
    QObject guard_;  // calls posted to the event loop die with the session
    ResponseHead head_;
    bool connected_ = false;  // a connection to the host stood for this request
    QElapsedTimer idle_;      // since anything last arrived
    curl_off_t lastReceived_ = 0;
    bool stalled_ = false;
    bool answered_ = false;  // the listener took the answer
    bool held_ = false;      // the listener holds the answer back
    bool endHeld_ = false;   // the request ended while the answer was held
    bool stopped_ = false;   // the listener ended the request
    bool done_ = false;
    CURLcode result_ = CURLE_OK;
};

}  // namespace

std::unique_ptr<TransferSession> CurlTransport::start(const TransferRequest& request,
                                                      TransferListener& listener) {
    return std::make_unique<CurlSession>(request, listener, cookies_);
}

}  // namespace pg
