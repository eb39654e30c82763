#pragma once

#include "support/http_message.h"

#include <QByteArray>
#include <QObject>
#include <QTimer>

#include <functional>

class QTcpSocket;

namespace pg::test {

// One accepted connection of TestHttpServer: reads a request, asks the server
// for the answer, then writes it with the faults the Response asks for and
// closes. Bodies are written as the socket drains (bytesWritten).
class HttpConnection : public QObject {
public:
    using Dispatcher = std::function<Response(RecordedRequest)>;

    HttpConnection(QTcpSocket* socket, Dispatcher dispatcher, QObject* parent);
    ~HttpConnection() override;

    // Called once when the connection has closed, from either side.
    std::function<void(HttpConnection*)> onClosed;

    // Starts reading; call after setting the callbacks.
    void start();
    // Drops the connection at once.
    void abort();

private:
    enum class State { ReadingHead, Answering, Sending, Done };

    void onReadyRead();
    void startResponse();
    void pump();
    void pumpBody();
    void finishResponse();
    void sendError(int status);
    void closed();

    QTcpSocket* socket_;
    Dispatcher dispatcher_;
    State state_ = State::ReadingHead;
    QByteArray buffer_;
    RecordedRequest request_;

    Response response_;
    qint64 bodyOffset_ = 0;  // next byte of the source to send
    qint64 bodyEnd_ = 0;     // end of the slice in the source
    qint64 bodyToSend_ = 0;  // body bytes still to send before finishing or breaking
    bool breaking_ = false;  // bodyToSend_ ends at the break point, not the body's end
    qint64 tickBudget_ = 0;  // throttled bytes left in this tick
    QTimer throttle_;
    bool closedReported_ = false;
    bool pumping_ = false;
};

}  // namespace pg::test
