#include "support/ftp_fixture.h"

#include "support/ports.h"
#include "support/server_process.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace pg::test {

using namespace Qt::StringLiterals;

namespace {

constexpr int kStartTimeoutMs = 20000;

// Runs the interpreter once per process to see whether pyftpdlib imports.
QString probeFailure() {
    if (!QFileInfo(FtpFixture::pythonPath()).isExecutable()) {
        return FtpFixture::pythonPath() + u" is missing"_s;
    }
    if (!QFileInfo::exists(FtpFixture::scriptPath())) {
        return FtpFixture::scriptPath() + u" is missing"_s;
    }
    QProcess probe;
    probe.start(FtpFixture::pythonPath(),
                {QStringLiteral("-c"), QStringLiteral("import pyftpdlib")});
    if (!probe.waitForFinished(30000) || probe.exitStatus() != QProcess::NormalExit ||
        probe.exitCode() != 0) {
        return QStringLiteral("pyftpdlib does not load in %1 (Debian package python3-pyftpdlib)")
            .arg(FtpFixture::pythonPath());
    }
    return {};
}

const QString& cachedProbeFailure() {
    static const QString failure = probeFailure();
    return failure;
}

}  // namespace

QString FtpFixture::pythonPath() {
    return QStringLiteral("/usr/bin/python3");
}

QString FtpFixture::scriptPath() {
    return QStringLiteral(PG_FTP_SERVER_SCRIPT);
}

bool FtpFixture::isAvailable() {
    return cachedProbeFailure().isEmpty();
}

QString FtpFixture::unavailableReason() {
    return cachedProbeFailure();
}

FtpFixture::FtpFixture(FtpOptions options)
    : options_(std::move(options)), workDir_(QDir::tempPath() + QStringLiteral("/pg-ftp-XXXXXX")) {
    process_.setStandardErrorFile(workDir_.filePath(QStringLiteral("server.log")));
}

FtpFixture::~FtpFixture() {
    stop();
}

QString FtpFixture::baseUrl() const {
    return QStringLiteral("ftp://127.0.0.1:%1").arg(port_);
}

QString FtpFixture::url(const QByteArray& path) const {
    return baseUrl() + QString::fromUtf8(path);
}

QStringList FtpFixture::commands() const {
    return ReadTextFile(workDir_.filePath(QStringLiteral("commands.log")))
        .split(u'\n', Qt::SkipEmptyParts);
}

QString FtpFixture::serverLog() const {
    return ReadTextFile(workDir_.filePath(QStringLiteral("server.log")));
}

::testing::AssertionResult FtpFixture::start() {
    if (isRunning()) {
        return ::testing::AssertionSuccess();
    }
    if (!isAvailable()) {
        return ::testing::AssertionFailure() << unavailableReason().toStdString();
    }
    if (!workDir_.isValid()) {
        return ::testing::AssertionFailure() << "cannot create a temporary folder";
    }
    QStringList arguments = {scriptPath(), QStringLiteral("--dir"),
                             QDir(options_.root).absolutePath(), QStringLiteral("--command-log"),
                             workDir_.filePath(QStringLiteral("commands.log"))};
    if (!options_.user.isEmpty()) {
        arguments << QStringLiteral("--user") << options_.user << QStringLiteral("--password")
                  << options_.password;
    }
    if (options_.breakAfter >= 0) {
        arguments << QStringLiteral("--break-after") << QString::number(options_.breakAfter)
                  << QStringLiteral("--break-count") << QString::number(options_.breakCount);
    }
    StartServerProcess(process_, pythonPath(), arguments);

    // The server binds port 0 itself and reports the port, so no other process
    // can take it in between.
    const QDeadlineTimer deadline(kStartTimeoutMs);
    QByteArray output;
    port_ = 0;
    while (port_ == 0 && process_.state() == QProcess::Running && !deadline.hasExpired()) {
        if (!process_.canReadLine()) {
            process_.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())));
            continue;
        }
        const QByteArray line = process_.readLine().trimmed();
        output += line + '\n';
        if (line.startsWith("PORT ")) {
            port_ = quint16(line.mid(5).toUInt());
        }
    }
    if (port_ != 0 &&
        WaitForServerReady(process_, kStartTimeoutMs, [this] { return IsPortAccepting(port_); })) {
        return ::testing::AssertionSuccess();
    }
    const QString processError = process_.errorString();
    StopServerProcess(process_);
    return ::testing::AssertionFailure()
           << "the FTP server did not start (" << processError.toStdString() << ")\noutput:\n"
           << output.toStdString() << "\nlog:\n"
           << serverLog().toStdString();
}

void FtpFixture::stop() {
    StopServerProcess(process_);
}

}  // namespace pg::test
