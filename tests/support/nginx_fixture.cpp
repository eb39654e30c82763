#include "support/nginx_fixture.h"

#include "support/ports.h"
#include "support/server_process.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <unistd.h>

namespace pg::test {

using namespace Qt::StringLiterals;

namespace {

constexpr int kStartTimeoutMs = 20000;

QByteArray quoted(const QString& value) {
    return '"' + value.toUtf8().replace('\\', "\\\\").replace('"', "\\\"") + '"';
}

bool writeFile(const QString& path, const QByteArray& content) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(content) == content.size();
}

// nginx refuses to bind when the port went to someone else after FindFreePort().
bool isAddressInUse(const QString& log) {
    return log.contains(u"Address already in use"_s);
}

}  // namespace

QString NginxFixture::binaryPath() {
    return QStringLiteral("/usr/sbin/nginx");
}

bool NginxFixture::isAvailable() {
    return QFileInfo(binaryPath()).isExecutable();
}

QString NginxFixture::unavailableReason() {
    return QStringLiteral("nginx is not installed at %1 (Debian package nginx)").arg(binaryPath());
}

NginxFixture::NginxFixture(NginxOptions options)
    : options_(std::move(options)), prefix_(QDir::tempPath() + QStringLiteral("/pg-nginx-XXXXXX")) {
    process_.setProcessChannelMode(QProcess::MergedChannels);
    process_.setStandardOutputFile(prefix_.filePath(QStringLiteral("console.log")));
}

NginxFixture::~NginxFixture() {
    stop();
}

QString NginxFixture::baseUrl() const {
    return QStringLiteral("http://127.0.0.1:%1").arg(port_);
}

QString NginxFixture::url(const QByteArray& path) const {
    return baseUrl() + QString::fromUtf8(path);
}

QString NginxFixture::pidFile() const {
    return prefix() + u"/nginx.pid"_s;
}

QString NginxFixture::errorLog() const {
    return ReadTextFile(prefix() + u"/logs/error.log"_s);
}

QString NginxFixture::accessLog() const {
    return ReadTextFile(prefix() + u"/logs/access.log"_s);
}

QByteArray NginxFixture::configuration() const {
    const QString p = prefix();
    QByteArray c;
    // As root the workers would otherwise run as nobody and could not read the
    // test's private folders; as another user the directive only warns.
    if (::geteuid() == 0) {
        c += "user root;\n";
    }
    c += "worker_processes 1;\n"
         "daemon off;\n"
         "master_process on;\n";
    c += "pid " + quoted(pidFile()) + ";\n";
    c += "lock_file " + quoted(p + u"/nginx.lock"_s) + ";\n";
    c += "error_log " + quoted(p + u"/logs/error.log"_s) + " notice;\n";
    c += "events { worker_connections 256; }\n"
         "http {\n";
    c += "    access_log " + quoted(p + u"/logs/access.log"_s) + ";\n";
    for (const char* kind : {"client_body", "proxy", "fastcgi", "uwsgi", "scgi"}) {
        c += "    " + QByteArray(kind) + "_temp_path " +
             quoted(p + u"/tmp/"_s + QLatin1String(kind)) + ";\n";
    }
    c += "    types { text/html html htm; }\n"
         "    default_type application/octet-stream;\n"
         "    sendfile on;\n"
         "    server {\n";
    c += "        listen 127.0.0.1:" + QByteArray::number(port_) + ";\n";
    c += "        server_name localhost;\n";
    c += "        root " + quoted(QDir(options_.root).absolutePath()) + ";\n";
    if (options_.limitRate > 0) {
        c += "        limit_rate " + QByteArray::number(options_.limitRate) + ";\n";
    }
    c += "    }\n"
         "}\n";
    return c;
}

bool NginxFixture::writeFiles(QString* error) const {
    const QString p = prefix();
    for (const char* sub : {"logs", "tmp"}) {
        if (!QDir().mkpath(p + u'/' + QLatin1String(sub))) {
            *error = QStringLiteral("cannot create %1/%2").arg(p, QLatin1String(sub));
            return false;
        }
    }
    if (!writeFile(p + u"/nginx.conf"_s, configuration())) {
        *error = QStringLiteral("cannot write the nginx configuration in %1").arg(p);
        return false;
    }
    QFile::remove(p + u"/logs/error.log"_s);
    QFile::remove(pidFile());
    return true;
}

::testing::AssertionResult NginxFixture::launch() {
    QString error;
    if (!prefix_.isValid()) {
        return ::testing::AssertionFailure() << "cannot create a temporary nginx prefix";
    }
    if (!writeFiles(&error)) {
        return ::testing::AssertionFailure() << error.toStdString();
    }
    const QString p = prefix();
    StartServerProcess(process_, binaryPath(),
                       {QStringLiteral("-p"), p + u'/', QStringLiteral("-c"), p + u"/nginx.conf"_s,
                        QStringLiteral("-e"), p + u"/logs/error.log"_s});
    // nginx writes its pid file once its sockets are bound, so another program
    // listening on the port cannot pass for nginx.
    const QByteArray pid = QByteArray::number(process_.processId());
    const auto ready = [&] {
        return ReadTextFile(pidFile()).trimmed().toUtf8() == pid && IsPortAccepting(port_);
    };
    if (WaitForServerReady(process_, kStartTimeoutMs, ready)) {
        return ::testing::AssertionSuccess();
    }
    const bool exited = process_.state() == QProcess::NotRunning;
    const QString processError = process_.errorString();
    StopServerProcess(process_);
    return ::testing::AssertionFailure()
           << "nginx did not accept connections on 127.0.0.1:" << port_
           << (exited ? " (it exited: " : " (timed out: ") << processError.toStdString()
           << ")\nerror log:\n"
           << errorLog().toStdString() << "\noutput:\n"
           << ReadTextFile(prefix() + u"/console.log"_s).toStdString() << "\nconfiguration:\n"
           << configuration().toStdString();
}

::testing::AssertionResult NginxFixture::start() {
    if (isRunning()) {
        return ::testing::AssertionSuccess();
    }
    ::testing::AssertionResult result = ::testing::AssertionFailure();
    for (int attempt = 0; attempt < 5; ++attempt) {
        port_ = FindFreePort();
        result = launch();
        if (result || !isAddressInUse(errorLog())) {
            break;
        }
    }
    return result;
}

void NginxFixture::stop() {
    StopServerProcess(process_);
}

::testing::AssertionResult NginxFixture::restart() {
    stop();
    if (port_ == 0) {
        return start();
    }
    return launch();
}

}  // namespace pg::test
