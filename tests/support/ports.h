#pragma once

#include <QtGlobal>

namespace pg::test {

// A TCP port on 127.0.0.1 that nothing listens on right now (found by binding
// port 0 and releasing it). Another process may take it before it is used, so
// fixtures that start external servers retry with a new port when binding fails.
quint16 FindFreePort();

// True if something on 127.0.0.1:port accepts a TCP connection.
bool IsPortAccepting(quint16 port, int timeoutMs = 500);

}  // namespace pg::test
