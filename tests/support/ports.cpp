#include "support/ports.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

namespace pg::test {

quint16 FindFreePort() {
    QTcpServer server;
    if (!server.listen(QHostAddress::LocalHost, 0)) {
        return 0;
    }
    return server.serverPort();
}

bool IsPortAccepting(quint16 port, int timeoutMs) {
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    const bool connected = socket.waitForConnected(timeoutMs);
    socket.abort();
    return connected;
}

}  // namespace pg::test
