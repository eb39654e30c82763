#pragma once

#include "support/http_auth.h"
#include "support/http_message.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QTcpServer>

#include <functional>

namespace pg::test {

class HttpConnection;

// A scriptable HTTP/1.1 server on 127.0.0.1 for tests, run by the Qt event
// loop of the test process: it answers while the code under test (or
// RunEventLoopUntil / QTRY_*) spins the loop. Every answer carries
// "Connection: close" and the connection is closed after it.
//
//   TestHttpServer server;
//   server.setRoute("/file.bin", Response::withBody(MakeTestBytes(1000, 7)));
//   ... fetch server.url("/file.bin") ...
//   EXPECT_EQ(server.requestsFor("/file.bin").at(1).header("Range"), "bytes=500-");
class TestHttpServer : public QObject {
    Q_OBJECT

public:
    using Handler = std::function<Response(const RecordedRequest&)>;

    // Starts listening at once; check isListening().
    explicit TestHttpServer(QObject* parent = nullptr);
    ~TestHttpServer() override;

    // Listens again after stop(), on the previous port when it is still free.
    bool start();
    // Closes the listening socket and every open connection.
    void stop();
    bool isListening() const { return server_.isListening(); }

    quint16 port() const { return port_; }
    QString baseUrl() const;                    // "http://127.0.0.1:PORT"
    QString url(const QByteArray& path) const;  // baseUrl() + path

    // Routes match the request path without the query exactly.
    void setRoute(const QByteArray& path, const Response& response);
    void setRoute(const QByteArray& path, Handler handler);
    void removeRoute(const QByteArray& path);
    // Answers paths without a route; without one they get 404.
    void setFallback(Handler handler);
    // path answers `status` with "Location: location" (sent as given).
    void setRedirect(const QByteArray& path, const QByteArray& location, int status = 302);

    // Requests for path without the right credentials get 401 and a challenge.
    void setBasicAuth(const QByteArray& path, const QByteArray& user, const QByteArray& password,
                      const QByteArray& realm = "pg-test");
    void setDigestAuth(const QByteArray& path, const QByteArray& user, const QByteArray& password,
                       const QByteArray& realm = "pg-test");
    void removeAuth(const QByteArray& path);

    // Every request received, including those refused with 401.
    QList<RecordedRequest> requests() const { return requests_; }
    QList<RecordedRequest> requestsFor(const QByteArray& path) const;
    int requestCount() const { return int(requests_.size()); }
    int requestCount(const QByteArray& path) const;
    void clearRequests() { requests_.clear(); }

private:
    Response dispatch(RecordedRequest request);
    void onNewConnection();
    void onConnectionClosed(HttpConnection* connection);

    QTcpServer server_;
    quint16 port_ = 0;
    QHash<QByteArray, Handler> routes_;
    QHash<QByteArray, RouteAuth> auth_;
    Handler fallback_;
    QList<RecordedRequest> requests_;
    QSet<HttpConnection*> connections_;
    QByteArray nonce_;
    QByteArray opaque_;
};

}  // namespace pg::test
