#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace pg::cli {

// Exit codes of pagegleaner-cli.
enum ExitCode : int {
    ExitOk = 0,
    ExitFilesFailed = 3,    // get: one or more files did not arrive
    ExitPageFailed = 2,     // the page could not be retrieved
    ExitNoBrowserUrl = 2,   // browser-url: no address found
    ExitUsage = 64,         // bad arguments
    ExitInterrupted = 130,  // stopped by Ctrl+C (SIGINT), SIGTERM or SIGHUP
};

struct CliOptions {
    QString command;  // "list", "get" or "browser-url"
    QString url;
    bool allTypes = false;
    QString types;
    QString userName;
    QString passwordFile;  // "-" reads the password from standard input
    // get
    QString directory;
    QString contains;
    int port = 80;
    int timeoutSecs = 60;
    int retries = 3;
    int parallel = 6;  // files at once, as many as browsers open to one host
    QString logFile;
    bool help = false;
    bool version = false;
};

struct ParseResult {
    std::optional<CliOptions> options;
    QString error;  // why the arguments were refused
};

// Parses the arguments after the program name.
ParseResult ParseCliArguments(const QStringList& arguments);

QString UsageText();

// The password from the file named by --password-file (first line, line end
// removed); empty when no file was named. Sets `error` when it cannot be read.
QString ReadPassword(const QString& passwordFile, QString& error);

}  // namespace pg::cli
