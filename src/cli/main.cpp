#include "cli/cli_options.h"
#include "cli/command_browser_url.h"
#include "cli/command_get.h"
#include "cli/command_list.h"
#include "cli/interrupt_watch.h"
#include "download/cancel_request.h"
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

    // The page is bounded by the same time-out as the files, and the cookies
    // it sets go with the requests for its files.
    const pg::CurlCookieJar cookies;
    pg::CurlPageFetcher fetcher(options.timeoutSecs, options.timeoutSecs,
                                pg::CurlPageFetcher::kMaxPageBytes, &cookies);
    pg::CancelRequest cancel;
    cancel.keepPartFiles = true;  // an interrupted get resumes where it stopped
    // One watch for the whole run: Ctrl+C while the page arrives calls it off
    // (the page counts as not retrieved), during the batch it ends the batch,
    // and one between the two is still known when the batch would start.
    const InterruptWatch interrupt([&fetcher, &cancel] {
        fetcher.cancel();
        cancel.request(true);
    });
    if (options.command == QLatin1String("get")) {
        pg::CurlTransport transport(&cookies);
        return RunGet(fetcher, transport, options, password, pg::ErrorLogPath(), cancel, interrupt);
    }
    return RunList(fetcher, options, password, interrupt);
}
