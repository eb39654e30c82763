#include "cli/cli_options.h"

#include "job/job_store.h"

#include <QFile>
#include <QTextStream>

#include <cstdio>

namespace pg::cli {

namespace {

bool ParseNumber(const QString& text, int min, int max, int& out) {
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < min || value > max) {
        return false;
    }
    out = value;
    return true;
}

}  // namespace

QString UsageText() {
    return QStringLiteral(
        "Usage:\n"
        "  pagegleaner-cli list [--all] [--types LIST] [--user NAME] [--password-file FILE] URL\n"
        "  pagegleaner-cli get --dir DIR [--all] [--types LIST] [--contains TEXT] [--user NAME]\n"
        "                      [--password-file FILE] [--port N] [--timeout S] [--retries N]\n"
        "                      [--parallel N] [--log FILE] URL\n"
        "  pagegleaner-cli browser-url\n"
        "  pagegleaner-cli --version\n"
        "\n"
        "list prints the file URLs that the page links to, one per line.\n"
        "get downloads them into DIR, resuming broken transfers; progress and a summary\n"
        "go to stderr, failures to the error log.\n"
        "browser-url prints the address of the page that the topmost browser window shows.\n"
        "\n"
        "  --all                 every file type (the type list is not applied)\n"
        "  --types LIST          comma-separated extensions (default: gif,jpg,exe,htm,html)\n"
        "  --user NAME           user name for the page and the files\n"
        "  --password-file FILE  read the password from the first line of FILE (- for stdin)\n"
        "  --dir DIR             download folder (get)\n"
        "  --contains TEXT       only files whose URL contains TEXT, letter case ignored (get)\n"
        "  --port N              port for http URLs that name none (get; default 80)\n"
        "  --timeout S           seconds to wait for a connection or data, 0 = no limit\n"
        "                        (get; default 60)\n"
        "  --retries N           retry a broken transfer up to N times, resuming it\n"
        "                        (get; default 3); starting over because the server\n"
        "                        cannot resume also spends a retry\n"
        "  --parallel N          files transferred at once, never more to one server, 1 to\n"
        "                        64 (get; default 6; 1: one after the other)\n"
        "  --log FILE            error log (get; default error.log in the data folder)\n"
        "\n"
        "Exit codes: 0 done, 2 page not retrieved (browser-url: no address found), 3 some files\n"
        "failed (get), 64 bad arguments, 130 interrupted by Ctrl+C, SIGTERM or SIGHUP.\n");
}

ParseResult ParseCliArguments(const QStringList& arguments) {
    ParseResult result;
    CliOptions options;
    options.types = kDefaultFileTypes;
    if (arguments.isEmpty()) {
        result.error = QStringLiteral("no command given");
        return result;
    }
    if (arguments.first() == QLatin1String("--help") || arguments.first() == QLatin1String("-h")) {
        options.help = true;
        result.options = options;
        return result;
    }
    if (arguments.first() == QLatin1String("--version")) {
        options.version = true;
        result.options = options;
        return result;
    }
    options.command = arguments.first();
    const bool isGet = options.command == QLatin1String("get");
    if (options.command == QLatin1String("browser-url")) {
        // Takes no options but --help.
        for (const QString& arg : arguments.mid(1)) {
            if (arg != QLatin1String("--help") && arg != QLatin1String("-h")) {
                result.error = QStringLiteral("browser-url takes no arguments: %1").arg(arg);
                return result;
            }
            options.help = true;
        }
        result.options = options;
        return result;
    }
    if (!isGet && options.command != QLatin1String("list")) {
        result.error = QStringLiteral("unknown command: %1").arg(options.command);
        return result;
    }

    QStringList positional;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& arg = arguments.at(i);
        auto value = [&](QString& out) {
            if (i + 1 >= arguments.size()) {
                result.error = QStringLiteral("%1 needs a value").arg(arg);
                return false;
            }
            out = arguments.at(++i);
            return true;
        };
        auto number = [&](int min, int max, int& out) {
            QString text;
            if (!value(text)) {
                return false;
            }
            if (!ParseNumber(text, min, max, out)) {
                result.error = QStringLiteral("%1 needs a number from %2 to %3, not '%4'")
                                   .arg(arg)
                                   .arg(min)
                                   .arg(max)
                                   .arg(text);
                return false;
            }
            return true;
        };
        bool ok = true;
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            options.help = true;
        } else if (arg == QLatin1String("--all")) {
            options.allTypes = true;
        } else if (arg == QLatin1String("--types")) {
            ok = value(options.types);
        } else if (arg == QLatin1String("--user")) {
            ok = value(options.userName);
        } else if (arg == QLatin1String("--password-file")) {
            ok = value(options.passwordFile);
        } else if (isGet && arg == QLatin1String("--dir")) {
            ok = value(options.directory);
        } else if (isGet && arg == QLatin1String("--contains")) {
            ok = value(options.contains);
        } else if (isGet && arg == QLatin1String("--port")) {
            ok = number(1, 65535, options.port);
        } else if (isGet && arg == QLatin1String("--timeout")) {
            ok = number(0, 86400, options.timeoutSecs);
        } else if (isGet && arg == QLatin1String("--retries")) {
            ok = number(0, 1000, options.retries);
        } else if (isGet && arg == QLatin1String("--parallel")) {
            ok = number(1, 64, options.parallel);
        } else if (isGet && arg == QLatin1String("--log")) {
            ok = value(options.logFile);
        } else if (arg == QLatin1String("--")) {
            positional += arguments.mid(i + 1);
            break;
        } else if (arg.startsWith(QLatin1Char('-')) && arg.size() > 1) {
            result.error = QStringLiteral("unknown option: %1").arg(arg);
            ok = false;
        } else {
            positional.append(arg);
        }
        if (!ok) {
            return result;
        }
    }
    if (options.help) {
        result.options = options;
        return result;
    }
    if (positional.size() != 1) {
        result.error = positional.isEmpty() ? QStringLiteral("no page URL given")
                                            : QStringLiteral("more than one page URL given");
        return result;
    }
    options.url = positional.first();
    if (isGet && options.directory.isEmpty()) {
        result.error = QStringLiteral("get needs --dir DIR");
        return result;
    }
    result.options = options;
    return result;
}

QString ReadPassword(const QString& passwordFile, QString& error) {
    if (passwordFile.isEmpty()) {
        return {};
    }
    QFile file;
    const bool opened = passwordFile == QLatin1String("-")
                            ? file.open(stdin, QIODevice::ReadOnly)
                            : (file.setFileName(passwordFile), file.open(QIODevice::ReadOnly));
    if (!opened) {
        error = QStringLiteral("cannot read the password file %1: %2")
                    .arg(passwordFile, file.errorString());
        return {};
    }
    QByteArray line = file.readLine();
    while (line.endsWith('\n') || line.endsWith('\r')) {
        line.chop(1);
    }
    return QString::fromUtf8(line);
}

}  // namespace pg::cli
