#include "support/test_http_server.h"

#include "support/http_connection.h"

#include <QHostAddress>
#include <QRandomGenerator>
#include <QTcpSocket>

namespace pg::test {

namespace {
QByteArray randomHex() {
    quint32 words[4];
    QRandomGenerator::global()->fillRange(words);
    return QByteArray(reinterpret_cast<const char*>(words), sizeof(words)).toHex();
}
}  // namespace

TestHttpServer::TestHttpServer(QObject* parent)
    : QObject(parent), nonce_(randomHex()), opaque_(randomHex()) {
    connect(&server_, &QTcpServer::newConnection, this, &TestHttpServer::onNewConnection);
    start();
}

TestHttpServer::~TestHttpServer() {
    stop();
}

bool TestHttpServer::start() {
    if (server_.isListening()) {
        return true;
    }
    if (port_ != 0 && server_.listen(QHostAddress::LocalHost, port_)) {
        return true;
    }
    if (!server_.listen(QHostAddress::LocalHost, 0)) {
        qWarning("TestHttpServer: cannot listen: %s", qPrintable(server_.errorString()));
        return false;
    }
    port_ = server_.serverPort();
    return true;
}

void TestHttpServer::stop() {
    server_.close();
    const QSet<HttpConnection*> open = std::exchange(connections_, {});
    for (HttpConnection* connection : open) {
        connection->onClosed = nullptr;
        connection->abort();
        // Later, as stop() may run inside one of this connection's callbacks.
        connection->deleteLater();
    }
}

QString TestHttpServer::baseUrl() const {
    return QStringLiteral("http://127.0.0.1:%1").arg(port_);
}

QString TestHttpServer::url(const QByteArray& path) const {
    return baseUrl() + QString::fromUtf8(path);
}

void TestHttpServer::setRoute(const QByteArray& path, const Response& response) {
    routes_.insert(path, [response](const RecordedRequest&) { return response; });
}

void TestHttpServer::setRoute(const QByteArray& path, Handler handler) {
    routes_.insert(path, std::move(handler));
}

void TestHttpServer::removeRoute(const QByteArray& path) {
    routes_.remove(path);
}

void TestHttpServer::setFallback(Handler handler) {
    fallback_ = std::move(handler);
}

void TestHttpServer::setRedirect(const QByteArray& path, const QByteArray& location, int status) {
    setRoute(path, Response::redirect(location, status));
}

void TestHttpServer::setBasicAuth(const QByteArray& path, const QByteArray& user,
                                  const QByteArray& password, const QByteArray& realm) {
    auth_.insert(path, RouteAuth{AuthScheme::Basic, user, password, realm});
}

void TestHttpServer::setDigestAuth(const QByteArray& path, const QByteArray& user,
                                   const QByteArray& password, const QByteArray& realm) {
    auth_.insert(path, RouteAuth{AuthScheme::Digest, user, password, realm});
}

void TestHttpServer::removeAuth(const QByteArray& path) {
    auth_.remove(path);
}

QList<RecordedRequest> TestHttpServer::requestsFor(const QByteArray& path) const {
    QList<RecordedRequest> matching;
    for (const RecordedRequest& request : requests_) {
        if (request.path == path) {
            matching.append(request);
        }
    }
    return matching;
}

int TestHttpServer::requestCount(const QByteArray& path) const {
    return int(requestsFor(path).size());
}

void TestHttpServer::onNewConnection() {
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
        auto* connection = new HttpConnection(
            socket, [this](RecordedRequest request) { return dispatch(std::move(request)); }, this);
        connection->onClosed = [this](HttpConnection* closed) { onConnectionClosed(closed); };
        connections_.insert(connection);
        connection->start();
    }
}

void TestHttpServer::onConnectionClosed(HttpConnection* connection) {
    connections_.remove(connection);
    connection->deleteLater();
}

Response TestHttpServer::dispatch(RecordedRequest request) {
    request.index = int(requests_.size());
    requests_.append(request);

    const auto auth = auth_.constFind(request.path);
    if (auth != auth_.constEnd() && !IsAuthorized(*auth, request, nonce_, opaque_)) {
        Response refused = Response::withStatus(401, "Authentication required\n");
        refused.addHeader("Content-Type", "text/plain");
        refused.addHeader("WWW-Authenticate", AuthChallenge(*auth, nonce_, opaque_));
        return refused;
    }
    // Copies, so a handler may change the routes while it runs.
    if (const auto route = routes_.constFind(request.path); route != routes_.constEnd()) {
        const Handler handler = *route;
        return handler(request);
    }
    if (fallback_) {
        const Handler handler = fallback_;
        return handler(request);
    }
    Response missing = Response::withStatus(404, "Not found\n");
    missing.addHeader("Content-Type", "text/plain");
    return missing;
}

}  // namespace pg::test
