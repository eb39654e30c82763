#include "support/http_connection.h"

#include "support/http_range.h"

#include <QTcpSocket>

#include <algorithm>

namespace pg::test {

namespace {
constexpr qsizetype kMaxHeadSize = 1 << 20;
constexpr qint64 kChunkSize = 256 * 1024;
// Body bytes queued in the socket before waiting for bytesWritten.
constexpr qint64 kHighWater = 2 * 1024 * 1024;
}  // namespace

HttpConnection::HttpConnection(QTcpSocket* socket, Dispatcher dispatcher, QObject* parent)
    : QObject(parent), socket_(socket), dispatcher_(std::move(dispatcher)) {
    socket_->setParent(this);
    connect(socket_, &QTcpSocket::readyRead, this, &HttpConnection::onReadyRead);
    connect(socket_, &QTcpSocket::bytesWritten, this, &HttpConnection::pump);
    connect(socket_, &QTcpSocket::disconnected, this, &HttpConnection::closed);
    connect(&throttle_, &QTimer::timeout, this, [this] {
        tickBudget_ = response_.throttleBytes;
        pump();
    });
    delay_.setSingleShot(true);
    connect(&delay_, &QTimer::timeout, this, &HttpConnection::startResponse);
}

HttpConnection::~HttpConnection() = default;

void HttpConnection::start() {
    if (socket_->state() != QAbstractSocket::ConnectedState) {
        closed();
        return;
    }
    onReadyRead();
}

void HttpConnection::abort() {
    throttle_.stop();
    delay_.stop();
    socket_->abort();
}

void HttpConnection::onReadyRead() {
    buffer_ += socket_->readAll();
    if (state_ == State::ReadingHead) {
        const qsizetype end = buffer_.indexOf("\r\n\r\n");
        if (end < 0) {
            if (buffer_.size() > kMaxHeadSize) {
                sendError(400);
            }
            return;
        }
        const auto parsed = ParseRequestHead(buffer_.left(end));
        buffer_.remove(0, end + 4);
        if (!parsed) {
            sendError(400);
            return;
        }
        request_ = *parsed;
        requestBodyLength_ = std::max<qint64>(0, request_.header("Content-Length").toLongLong());
        if (request_.header("Expect").compare("100-continue", Qt::CaseInsensitive) == 0) {
            socket_->write("HTTP/1.1 100 Continue\r\n\r\n");
        }
        state_ = State::ReadingBody;
    }
    if (state_ == State::ReadingBody) {
        if (buffer_.size() < requestBodyLength_) {
            return;
        }
        request_.body = buffer_.left(requestBodyLength_);
        buffer_.clear();
        state_ = State::Answering;
        handleRequest();
        return;
    }
    // One request per connection: anything after it is read and dropped.
    buffer_.clear();
}

void HttpConnection::handleRequest() {
    response_ = dispatcher_(request_);
    if (response_.neverAnswer) {
        return;
    }
    if (response_.headerDelayMs > 0) {
        delay_.start(response_.headerDelayMs);
        return;
    }
    startResponse();
}

void HttpConnection::sendError(int status) {
    response_ = Response::withStatus(status, ReasonPhrase(status) + '\n');
    startResponse();
}

void HttpConnection::startResponse() {
    if (state_ == State::Sending || state_ == State::Done) {
        return;
    }
    qint64 total = response_.body.size();
    if (!response_.bodyFile.isEmpty()) {
        file_ = std::make_unique<QFile>(response_.bodyFile);
        if (!file_->open(QIODevice::ReadOnly)) {
            qWarning("TestHttpServer: cannot open body file %s", qPrintable(response_.bodyFile));
            file_.reset();
            sendError(500);
            return;
        }
        total = file_->size();
    }
    state_ = State::Sending;
    const BodySlice slice = PlanBodySlice(response_, request_.header("Range"), total);

    const QByteArray reason = slice.status == response_.status && !response_.reason.isEmpty()
                                  ? response_.reason
                                  : ReasonPhrase(slice.status);
    QByteArray head = "HTTP/1.1 " + QByteArray::number(slice.status) + ' ' + reason + "\r\n";
    if (response_.chunked) {
        head += "Transfer-Encoding: chunked\r\n";
    } else if (response_.sendContentLength) {
        head += "Content-Length: " + QByteArray::number(slice.length) + "\r\n";
    }
    if (!slice.contentRange.isEmpty()) {
        head += "Content-Range: " + slice.contentRange + "\r\n";
    }
    if (response_.honourRange && (slice.status == 200 || slice.status == 206) &&
        !FindHeader(response_.headers, "Accept-Ranges")) {
        head += "Accept-Ranges: bytes\r\n";
    }
    if (!FindHeader(response_.headers, "Content-Type")) {
        head += "Content-Type: application/octet-stream\r\n";
    }
    for (const auto& [name, value] : response_.headers) {
        head += name + ": " + value + "\r\n";
    }
    head += "Connection: close\r\n\r\n";
    socket_->write(head);

    bodyOffset_ = slice.offset;
    bodyEnd_ = slice.offset + slice.length;
    bodyToSend_ = request_.method == "HEAD" ? 0 : slice.length;
    if (response_.breakAfter >= 0 && response_.breakAfter < bodyToSend_) {
        bodyToSend_ = response_.breakAfter;
        breaking_ = true;
    }
    if (file_ && !file_->seek(bodyOffset_)) {
        abort();
        return;
    }
    if (response_.throttleBytes > 0) {
        tickBudget_ = response_.throttleBytes;
        throttle_.start(response_.throttleIntervalMs);
    }
    pump();
}

QByteArray HttpConnection::readBody(qint64 size) {
    if (file_) {
        return file_->read(size);
    }
    return response_.body.mid(bodyOffset_, size);
}

void HttpConnection::pump() {
    // flush() below may emit bytesWritten, which lands here again.
    if (state_ != State::Sending || pumping_) {
        return;
    }
    pumping_ = true;
    pumpBody();
    pumping_ = false;
    if (state_ == State::Sending && bodyToSend_ == 0) {
        finishResponse();
    }
}

void HttpConnection::pumpBody() {
    while (state_ == State::Sending && bodyToSend_ > 0 && socket_->bytesToWrite() < kHighWater) {
        qint64 size = std::min(bodyToSend_, kChunkSize);
        if (response_.throttleBytes > 0) {
            size = std::min(size, tickBudget_);
            if (size <= 0) {
                return;
            }
            tickBudget_ -= size;
        }
        const QByteArray piece = readBody(size);
        if (piece.size() != size) {
            abort();  // the body file shrank or cannot be read
            return;
        }
        if (response_.chunked) {
            // The piece before a break announces the whole rest of the body, so
            // the client sees a chunk cut short.
            const bool cut = breaking_ && size == bodyToSend_;
            const qint64 announced = cut ? bodyEnd_ - bodyOffset_ : size;
            socket_->write(QByteArray::number(announced, 16) + "\r\n" + piece +
                           (cut ? QByteArray() : QByteArray("\r\n")));
        } else {
            socket_->write(piece);
        }
        bodyOffset_ += size;
        bodyToSend_ -= size;
        // Hand the data to the kernel now rather than one block per event-loop
        // pass: a client in this thread then reads far more per pass.
        socket_->flush();
    }
}

void HttpConnection::finishResponse() {
    state_ = State::Done;
    throttle_.stop();
    file_.reset();
    if (response_.chunked && !breaking_ && request_.method != "HEAD") {
        socket_->write("0\r\n\r\n");
    }
    if (onResponseFinished) {
        onResponseFinished();
    }
    // Flushes what is queued, then closes (a FIN, so a cut body arrives intact).
    socket_->disconnectFromHost();
}

void HttpConnection::closed() {
    if (closedReported_) {
        return;
    }
    closedReported_ = true;
    state_ = State::Done;
    throttle_.stop();
    delay_.stop();
    file_.reset();
    if (onClosed) {
        onClosed(this);
    }
}

}  // namespace pg::test
