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

ServerProcess::ServerProcess(QString scheme, QString program, Arguments arguments, std::string why)
    : unavailable(std::move(why)),
      scheme_(std::move(scheme)),
      program_(std::move(program)),
      arguments_(std::move(arguments)) {}

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
    const QString log = dir_.filePath(u"output.log"_s), pid = dir_.filePath(u"pid"_s);
    process_.setProcessChannelMode(QProcess::MergedChannels);
    process_.setStandardOutputFile(log, QIODevice::Append);
    process_.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    for (int attempt = 0; attempt < 5; ++attempt) {
        port_ = FindFreePort();
        QFile::remove(pid);
        process_.start(program_, arguments_(port_, dir_.path()));
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

// Everything nginx writes stays in the private folder.
ServerProcess Nginx(const QString& root) {
    const QByteArray served = QDir(root).absolutePath().toUtf8();
    const auto arguments = [served](quint16 port, const QString& folder) {
        const QByteArray dir = folder.toUtf8();
        QByteArray c = ::geteuid() == 0 ? "user root;\n" : "";  // workers read private folders
        c += "daemon off;\nworker_processes 1;\npid " + dir + "/pid;\nevents {}\nhttp {\n";
        for (const char* kind : {"client_body", "proxy", "fastcgi", "uwsgi", "scgi"}) {
            c += QByteArray(kind) + "_temp_path " + dir + '/' + kind + ";\n";
        }
        c += "access_log off;\nserver {\nlisten 127.0.0.1:" + QByteArray::number(port) +
             ";\nroot " + served + ";\n}\n}\n";
        WriteFileBytes(folder + u"/nginx.conf"_s, c);
        return QStringList{u"-p"_s, folder + u'/',
                           u"-e"_s, folder + u"/output.log"_s,
                           u"-c"_s, folder + u"/nginx.conf"_s};
    };
    const QString program = u"/usr/sbin/nginx"_s;
    return ServerProcess(
        u"http"_s, program, arguments,
        QFileInfo(program).isExecutable() ? "" : "no nginx (Debian package nginx)");
}

// Not the python3 first on PATH: the Debian package loads only in this one.
ServerProcess Ftp(const QString& root, const QString& user, const QString& password) {
    static const bool loads =
        QProcess::execute(u"/usr/bin/python3"_s, {u"-c"_s, u"import pyftpdlib"_s}) == 0;
    const QStringList login{QDir(root).absolutePath(), user, password};
    const auto arguments = [login](quint16 port, const QString& folder) {
        return QStringList{QStringLiteral(PG_FTP_SERVER_SCRIPT), QString::number(port),
                           folder + u"/pid"_s} +
               login;
    };
    return ServerProcess(
        u"ftp"_s, u"/usr/bin/python3"_s, arguments,
        loads ? "" : "pyftpdlib does not load in /usr/bin/python3 (python3-pyftpdlib)");
}

}  // namespace pg::test
