#include "cli/cli_options.h"
#include "cli/command_browser_url.h"
#include "cli/command_get.h"
#include "cli/command_list.h"
#include "platform/curl_page_fetcher.h"
#include "platform/curl_transport.h"
#include "platform/desktop_window_tree.h"
#include "platform/program_paths.h"
#include "version.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Pagegleaner"));
    using namespace pg::cli;

    const ParseResult parsed = ParseCliArguments(QCoreApplication::arguments().mid(1));
    if (!parsed.options) {
        std::fprintf(stderr, "pagegleaner-cli: %s\n\n%s", parsed.error.toLocal8Bit().constData(),
                     UsageText().toLocal8Bit().constData());
        return ExitUsage;
    }
    const CliOptions& options = *parsed.options;
    if (options.help) {
        std::fputs(UsageText().toLocal8Bit().constData(), stdout);
        return ExitOk;
    }
    if (options.version) {
        std::printf("pagegleaner-cli %s\n", PG_VERSION_STRING);
        return ExitOk;
    }
    if (options.command == QLatin1String("browser-url")) {
        pg::DesktopWindowTree tree;
        return RunBrowserUrl(tree);
    }
    QString error;
    const QString password = ReadPassword(options.passwordFile, error);
    if (!error.isEmpty()) {
        std::fprintf(stderr, "pagegleaner-cli: %s\n", error.toLocal8Bit().constData());
        return ExitUsage;
    }

    pg::CurlPageFetcher fetcher;
    if (options.command == QLatin1String("get")) {
        pg::CurlTransport transport;
        return RunGet(fetcher, transport, options, password, pg::ErrorLogPath());
    }
    return RunList(fetcher, options, password);
}
