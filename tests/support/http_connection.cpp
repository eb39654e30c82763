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
    socket_->abort();
}

void HttpConnection::onReadyRead() {
    buffer_ += socket_->readAll();
    if (state_ != State::ReadingHead) {
        buffer_.clear();  // one request per connection: anything after it is dropped
        return;
    }
    const qsizetype end = buffer_.indexOf("\r\n\r\n");
    if (end < 0) {
        if (buffer_.size() > kMaxHeadSize) {
            sendError(400);
        }
        return;
    }
    const auto parsed = ParseRequestHead(buffer_.left(end));
    buffer_.clear();
    if (!parsed) {
        sendError(400);
        return;
    }
    request_ = *parsed;
    state_ = State::Answering;
    response_ = dispatcher_(request_);
    if (!response_.neverAnswer) {
        startResponse();
    }
}

void HttpConnection::sendError(int status) {
    response_ = Response::withStatus(status, ReasonPhrase(status) + '\n');
    startResponse();
}

void HttpConnection::startResponse() {
    if (state_ == State::Sending || state_ == State::Done) {
        return;
    }
    const qint64 total = response_.body.size();
    state_ = State::Sending;
    const BodySlice slice = PlanBodySlice(response_, request_.header("Range"), total);

    QByteArray head =
        "HTTP/1.1 " + QByteArray::number(slice.status) + ' ' + ReasonPhrase(slice.status) + "\r\n";
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
    bodyToSend_ = slice.length;
    if (response_.breakAfter >= 0 && response_.breakAfter < bodyToSend_) {
        bodyToSend_ = response_.breakAfter;
        breaking_ = true;
    }
    if (response_.throttleBytes > 0) {
        tickBudget_ = response_.throttleBytes;
        throttle_.start(response_.throttleIntervalMs);
    }
    pump();
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
        const QByteArray piece = response_.body.mid(bodyOffset_, size);
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
    if (response_.chunked && !breaking_) {
        socket_->write("0\r\n\r\n");
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
    if (onClosed) {
        onClosed(this);
    }
}

}  // namespace pg::test
