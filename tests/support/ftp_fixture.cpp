#include "support/ftp_fixture.h"

#include <QDir>

namespace pg::test {

namespace {
// Not the python3 first on PATH: the Debian package loads only in this one.
const QString kPython = QStringLiteral("/usr/bin/python3");
}  // namespace

std::string FtpFixture::unavailableReason() {
    static const bool available =
        QProcess::execute(kPython, {QStringLiteral("-c"), QStringLiteral("import pyftpdlib")}) == 0;
    return available ? "" : "pyftpdlib does not load in /usr/bin/python3 (python3-pyftpdlib)";
}

::testing::AssertionResult FtpFixture::start() {
    return launch(kPython, [this] {
        QStringList arguments = {QStringLiteral(PG_FTP_SERVER_SCRIPT),
                                 QStringLiteral("--port"),
                                 QString::number(port_),
                                 QStringLiteral("--dir"),
                                 QDir(options_.root).absolutePath(),
                                 QStringLiteral("--pid-file"),
                                 file(QStringLiteral("pid"))};
        if (!options_.user.isEmpty()) {
            arguments << QStringLiteral("--user") << options_.user << QStringLiteral("--password")
                      << options_.password;
        }
        return arguments;
    });
}

}  // namespace pg::test
