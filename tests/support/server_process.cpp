#include "support/server_process.h"

#include "support/test_bytes.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QTcpServer>

#include <sys/prctl.h>
#include <csignal>

namespace pg::test {

quint16 FindFreePort() {
    QTcpServer server;
    return server.listen(QHostAddress::LocalHost, 0) ? server.serverPort() : 0;
}

QString ServerProcess::url(const QByteArray& path) const {
    return QStringLiteral("%1://127.0.0.1:%2").arg(scheme_).arg(port_) + QString::fromUtf8(path);
}

void ServerProcess::stop() {
    if (process_.state() != QProcess::NotRunning) {
        process_.terminate();
        if (!process_.waitForFinished(15000)) {
            process_.kill();
            process_.waitForFinished();
        }
    }
}

::testing::AssertionResult ServerProcess::launch(const QString& program,
                                                 const std::function<QStringList()>& arguments,
                                                 bool samePort) {
    process_.setProcessChannelMode(QProcess::MergedChannels);
    process_.setStandardOutputFile(file(QStringLiteral("output.log")), QIODevice::Append);
    process_.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    for (int attempt = 0; attempt < 5; ++attempt) {
        if (!samePort || port_ == 0) {
            port_ = FindFreePort();
        }
        QFile::remove(file(QStringLiteral("pid")));
        process_.start(program, arguments());
        const QDeadlineTimer deadline(20000);
        while (process_.state() != QProcess::NotRunning && !deadline.hasExpired()) {
            if (QFile::exists(file(QStringLiteral("pid")))) {
                return ::testing::AssertionSuccess();
            }
            process_.waitForFinished(20);
        }
        stop();
    }
    return ::testing::AssertionFailure()
           << program.toStdString() << " did not start:\n"
           << ReadFileBytes(file(QStringLiteral("output.log"))).toStdString();
}

}  // namespace pg::test
