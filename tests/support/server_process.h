#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class QProcess;

namespace pg::test {

// Starts an external test server. The child gets SIGTERM when the test process
// dies, so a crashed test leaves no server running.
void StartServerProcess(QProcess& process, const QString& program, const QStringList& arguments);

// Polls ready() until it is true. Gives up when the process exits or after
// timeoutMs; the short pauses between polls also notice an early exit.
bool WaitForServerReady(QProcess& process, int timeoutMs, const std::function<bool()>& ready);

// SIGTERM, then SIGKILL if the server has not exited within timeoutMs.
void StopServerProcess(QProcess& process, int timeoutMs = 15000);

// The content of a text file, or empty if it cannot be read (for failure messages).
QString ReadTextFile(const QString& path);

}  // namespace pg::test
