#include "platform/curl_transport.h"

#include "platform/curl_easy.h"
#include "platform/curl_multi.h"

#include <QCoreApplication>
#include <QUrl>

#include <vector>

namespace pg {

namespace {

// More than this waiting to be written pauses the transfer, so memory does not
// grow with the file even when the disk is slower than the network. Small
// enough that each write works from the CPU cache: larger buffers cost more in
// copying than they save in calls.
constexpr size_t kPauseAbove = 256u << 10;
constexpr long kReceiveBuffer = 512L * 1024;

std::optional<qint64> ParseRangeStart(const char* value) {
    // "bytes 5904-9999/10000"
    QByteArray text = QByteArray(value).trimmed();
    if (!text.toLower().startsWith("bytes ")) {
        return std::nullopt;
    }
    text = text.mid(6).trimmed();
    const qsizetype dash = text.indexOf('-');
    bool ok = false;
    const qint64 start = text.left(dash).toLongLong(&ok);
    return ok && dash > 0 ? std::optional<qint64>(start) : std::nullopt;
}

class CurlSession : public TransferSession {
public:
    explicit CurlSession(const TransferRequest& request)
        : ftp_(IsFtpUrl(request.url)),
          offset_(request.offset),
          host_(QUrl(request.url, QUrl::TolerantMode).host()) {
        pending_.reserve(kPauseAbove + kReceiveBuffer);
        current_.reserve(kPauseAbove + kReceiveBuffer);
        easy_ = NewCurlEasy(CurlUrlBytes(request.url, request.remotePort), request.userName,
                            request.password, request.timeoutSecs, request.timeoutSecs);
        CURL* h = easy_.get();
        curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &CurlSession::onData);
        curl_easy_setopt(h, CURLOPT_WRITEDATA, this);
        curl_easy_setopt(h, CURLOPT_BUFFERSIZE, kReceiveBuffer);
        if (ftp_) {
            if (request.offset > 0) {
                curl_easy_setopt(h, CURLOPT_RESUME_FROM_LARGE,
                                 static_cast<curl_off_t>(request.offset));
            }
        } else {
            const QByteArray range = QByteArray::number(request.offset) + '-';
            curl_easy_setopt(h, CURLOPT_RANGE, range.constData());
        }
        CurlMulti::instance().add(h, [this](CURLcode code) {
            done_ = true;
            result_ = code;
        });
    }

    ~CurlSession() override {
        if (!done_) {
            CurlMulti::instance().remove(easy_.get());
        }
    }

    Wait waitForResponse(const StopFn& stop) override {
        while (!answered() && !done_) {
            if (stop()) {
                return Wait::Stopped;
            }
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
        if (stop()) {
            return Wait::Stopped;
        }
        return answered() ? Wait::Answered : Wait::Failed;
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

    std::optional<qint64> rangeStart() const override {
        if (ftp_) {
            return offset_;
        }
        const QByteArray value = header("Content-Range");
        return value.isEmpty() ? std::nullopt : ParseRangeStart(value.constData());
    }

    std::optional<qint64> unsatisfiedRangeLength() const override {
        const QByteArray value = header("Content-Range").trimmed();
        if (!value.startsWith("bytes */")) {
            return std::nullopt;
        }
        bool ok = false;
        const qint64 length = value.mid(8).trimmed().toLongLong(&ok);
        return ok ? std::optional<qint64>(length) : std::nullopt;
    }

    QString remoteHost() const override { return host_; }

    Chunk read(const StopFn& stop) override {
        current_.clear();
        while (pending_.empty()) {
            if (stop()) {
                return {Chunk::Stopped};
            }
            if (done_) {
                return {result_ == CURLE_OK ? Chunk::End : Chunk::Broken};
            }
            if (paused_) {
                paused_ = false;
                CurlMulti::instance().resume(easy_.get());
                continue;
            }
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
        current_.swap(pending_);
        return {Chunk::Data, current_.data(), static_cast<qint64>(current_.size())};
    }

    TransferError error() const override {
        TransferError error;
        if (!done_ || result_ == CURLE_OK) {
            return error;
        }
        error.code = static_cast<int>(result_);
        error.text = CurlErrorText(result_);
        curl_off_t connectTime = 0;
        curl_easy_getinfo(easy_.get(), CURLINFO_CONNECT_TIME_T, &connectTime);
        error.noConnection = connectTime == 0 && result_ != CURLE_UNSUPPORTED_PROTOCOL &&
                             result_ != CURLE_URL_MALFORMAT;
        return error;
    }

private:
    // A header of the final answer, empty when absent.
    QByteArray header(const char* name) const {
        curl_header* found = nullptr;
        if (curl_easy_header(easy_.get(), name, 0, CURLH_HEADER, -1, &found) != CURLHE_OK) {
            return {};
        }
        return QByteArray(found->value);
    }

    bool answered() const {
        if (received_) {
            return true;
        }
        if (!done_) {
            return false;
        }
        if (ftp_) {
            return result_ == CURLE_OK || statusCode() != (offset_ > 0 ? 206 : 200);
        }
        return statusCode() > 0;
    }

    static size_t onData(char* data, size_t size, size_t count, void* self) {
        auto* session = static_cast<CurlSession*>(self);
        const size_t bytes = size * count;
        if (session->pending_.size() > kPauseAbove) {
            session->paused_ = true;
            return CURL_WRITEFUNC_PAUSE;
        }
        session->received_ = true;
        session->pending_.insert(session->pending_.end(), data, data + bytes);
        return bytes;
    }

    CurlEasy easy_;
    const bool ftp_;
    const qint64 offset_;
    const QString host_;
    std::vector<char> pending_;  // arrived, not yet handed out
    std::vector<char> current_;  // handed out by the last read
    bool received_ = false;
    bool paused_ = false;
    bool done_ = false;
    CURLcode result_ = CURLE_OK;
};

}  // namespace

std::unique_ptr<TransferSession> CurlTransport::start(const TransferRequest& request) {
    return std::make_unique<CurlSession>(request);
}

void CurlTransport::processEvents() {
    QCoreApplication::processEvents();
}

}  // namespace pg
