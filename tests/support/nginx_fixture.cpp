#include "support/nginx_fixture.h"

#include "support/test_bytes.h"

#include <QDir>
#include <QFileInfo>

#include <unistd.h>

namespace pg::test {

namespace {
const QString kNginx = QStringLiteral("/usr/sbin/nginx");
}  // namespace

std::string NginxFixture::unavailableReason() {
    return QFileInfo(kNginx).isExecutable() ? "" : "no /usr/sbin/nginx (Debian package nginx)";
}

::testing::AssertionResult NginxFixture::start() {
    return launch(kNginx, [this] { return prepare(); });
}

::testing::AssertionResult NginxFixture::restart() {
    stop();
    return launch(
        kNginx, [this] { return prepare(); }, true);
}

// Writes the configuration for port_; everything nginx writes stays in the
// private folder.
QStringList NginxFixture::prepare() const {
    QByteArray c = ::geteuid() == 0 ? "user root;\n" : "";  // workers must read private folders
    const auto path = [this](const char* name) {
        return '"' + file(QLatin1String(name)).toUtf8() + '"';
    };
    c += "daemon off;\nworker_processes 1;\npid " + path("pid") + ";\n";
    c += "error_log " + path("output.log") + ";\nevents { worker_connections 64; }\nhttp {\n";
    c += "access_log off;\n";
    for (const char* kind : {"client_body", "proxy", "fastcgi", "uwsgi", "scgi"}) {
        c += QByteArray(kind) + "_temp_path " + path(kind) + ";\n";
    }
    c += "types { text/html html; }\ndefault_type application/octet-stream;\n";
    c += "server {\nlisten 127.0.0.1:" + QByteArray::number(port_) + ";\n";
    c += "root \"" + QDir(options_.root).absolutePath().toUtf8() + "\";\n";
    if (options_.limitRate > 0) {
        c += "limit_rate " + QByteArray::number(options_.limitRate) + ";\n";
    }
    WriteFileBytes(file(QStringLiteral("nginx.conf")), c + "}\n}\n");
    return {QStringLiteral("-p"), file({}) + u'/',
            QStringLiteral("-e"), file(QStringLiteral("output.log")),
            QStringLiteral("-c"), file(QStringLiteral("nginx.conf"))};
}

}  // namespace pg::test
