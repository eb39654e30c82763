#include "support/server_process.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>

#include <sys/prctl.h>
#include <csignal>

namespace pg::test {

void StartServerProcess(QProcess& process, const QString& program, const QStringList& arguments) {
    process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    process.start(program, arguments);
    process.waitForStarted(15000);
}

bool WaitForServerReady(QProcess& process, int timeoutMs, const std::function<bool()>& ready) {
    const QDeadlineTimer deadline(timeoutMs);
    while (process.state() != QProcess::NotRunning) {
        if (ready()) {
            return true;
        }
        if (deadline.hasExpired()) {
            return false;
        }
        process.waitForFinished(20);
    }
    return false;
}

void StopServerProcess(QProcess& process, int timeoutMs) {
    if (process.state() == QProcess::NotRunning) {
        return;
    }
    process.terminate();
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished(timeoutMs);
    }
}

QString ReadTextFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QString::fromUtf8(file.readAll());
}

}  // namespace pg::test
