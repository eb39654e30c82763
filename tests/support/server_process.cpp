#include "support/server_process.h"

#include "support/test_bytes.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTcpServer>

#include <sys/prctl.h>
#include <unistd.h>
#include <csignal>

using namespace Qt::StringLiterals;

namespace pg::test {

quint16 FindFreePort() {
    QTcpServer server;
    return server.listen(QHostAddress::LocalHost, 0) ? server.serverPort() : 0;
}

QString ServerProcess::url(const QByteArray& path) const {
    return u"%1://127.0.0.1:%2"_s.arg(scheme_).arg(port_) + QString::fromUtf8(path);
}

void ServerProcess::stop() {
    process_.terminate();  // a graceful end takes nginx's workers along
    if (!process_.waitForFinished(15000)) {
        process_.kill();
        process_.waitForFinished();
    }
}

::testing::AssertionResult ServerProcess::start() {
    const QString log = file(u"output.log"_s), pid = file(u"pid"_s);
    process_.setProcessChannelMode(QProcess::MergedChannels);
    process_.setStandardOutputFile(log, QIODevice::Append);
    process_.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    for (int attempt = 0; attempt < 5; ++attempt) {
        port_ = FindFreePort();
        QFile::remove(pid);
        process_.start(program_, arguments());
        for (const QDeadlineTimer deadline(20000);
             process_.state() != QProcess::NotRunning && !deadline.hasExpired();) {
            if (QFile::exists(pid)) {
                return ::testing::AssertionSuccess();
            }
            process_.waitForFinished(20);
        }
        stop();
    }
    return ::testing::AssertionFailure() << program_.toStdString() << " did not start:\n"
                                         << ReadFileBytes(log).toStdString();
}

std::string NginxFixture::unavailableReason() {
    return QFileInfo(u"/usr/sbin/nginx"_s).isExecutable() ? "" : "no nginx (Debian package nginx)";
}

NginxFixture::NginxFixture(QString root)
    : ServerProcess(u"http"_s, u"/usr/sbin/nginx"_s), root_(QDir(root).absolutePath()) {}

// Everything nginx writes stays in the private folder.
QStringList NginxFixture::arguments() const {
    const QByteArray dir = file({}).toUtf8();
    QByteArray c = ::geteuid() == 0 ? "user root;\n" : "";  // workers read private folders
    c += "daemon off;\nworker_processes 1;\npid " + dir + "/pid;\nevents {}\nhttp {\n";
    for (const char* kind : {"client_body", "proxy", "fastcgi", "uwsgi", "scgi"}) {
        c += QByteArray(kind) + "_temp_path " + dir + '/' + kind + ";\n";
    }
    c += "access_log off;\nserver {\nlisten 127.0.0.1:" + QByteArray::number(port_) + ";\nroot " +
         root_.toUtf8() + ";\n}\n}\n";
    WriteFileBytes(file(u"nginx.conf"_s), c);
    return {u"-p"_s, file({}) + u'/',      u"-e"_s, file(u"output.log"_s),
            u"-c"_s, file(u"nginx.conf"_s)};
}

// Not the python3 first on PATH: the Debian package loads only in this one.
FtpFixture::FtpFixture(QString root, QString user, QString password)
    : ServerProcess(u"ftp"_s, u"/usr/bin/python3"_s),
      login_{QDir(root).absolutePath(), user, password} {}

std::string FtpFixture::unavailableReason() {
    static const bool available =
        QProcess::execute(u"/usr/bin/python3"_s, {u"-c"_s, u"import pyftpdlib"_s}) == 0;
    return available ? "" : "pyftpdlib does not load in /usr/bin/python3 (python3-pyftpdlib)";
}

QStringList FtpFixture::arguments() const {
    return QStringList{QStringLiteral(PG_FTP_SERVER_SCRIPT), QString::number(port_),
                       file(u"pid"_s)} +
           login_;
}

}  // namespace pg::test
