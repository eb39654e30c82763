#include "gui/desktop_file_opener.h"
#include "gui/folder_picker.h"
#include "gui/main_window.h"
#include "platform/curl_page_fetcher.h"
#include "platform/curl_transport.h"
#include "platform/desktop_window_tree.h"
#include "platform/ini_settings_store.h"
#include "platform/program_paths.h"
#include "program_layout.h"
#include "version.h"

#include <QApplication>
#include <QIcon>

#include <cstdio>
#include <string_view>

namespace {

constexpr int kExitUsage = 64;

QString UsageText() {
    return QStringLiteral(
               "Usage: pagegleaner [URL]\n"
               "       pagegleaner --help | --version\n"
               "\n"
               "Starts Pagegleaner; a page URL replaces the stored one in the page URL field.\n"
               "\n"
               "  -h, --help   print this text and exit\n"
               "  --version    print the version and exit\n"
               "\n"
               "Files:\n"
               "  help text    %1\n"
               "  settings     %2\n"
               "  recent URLs  %3\n"
               "  error log    %4\n")
        .arg(pg::DataFilePath(QStringLiteral("faq.fil")), pg::SettingsFilePath(),
             pg::HistoryFilePath(), pg::ErrorLogPath());
}

// --help and --version are answered without a display, so they are looked
// for before Qt opens one.
enum class InfoRequest { None, Help, Version };

InfoRequest FindInfoRequest(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--") {
            break;
        }
        if (arg == "--help" || arg == "-h") {
            return InfoRequest::Help;
        }
        if (arg == "--version") {
            return InfoRequest::Version;
        }
    }
    return InfoRequest::None;
}

struct StartArguments {
    QString pageUrl;
    QString error;
};

// The arguments that Qt left: at most one page URL.
StartArguments ParseStartArguments(const QStringList& arguments) {
    StartArguments start;
    QStringList urls;
    bool optionsEnded = false;
    for (const QString& arg : arguments) {
        if (!optionsEnded && arg == QLatin1String("--")) {
            optionsEnded = true;
        } else if (!optionsEnded && arg.startsWith(QLatin1Char('-')) && arg.size() > 1) {
            start.error = QStringLiteral("unknown option: %1").arg(arg);
            return start;
        } else {
            urls.append(arg.trimmed());
        }
    }
    if (urls.size() > 1) {
        start.error = QStringLiteral("more than one page URL given");
    } else if (!urls.isEmpty()) {
        start.pageUrl = urls.first();
    }
    return start;
}

// The icon theme's icon when the desktop has one, else the renderings
// installed with the program (or in the build tree).
QIcon ProgramIcon() {
    QIcon files;
    for (const QString& file : pg::AppIconFiles()) {
        files.addFile(file);
    }
    return QIcon::fromTheme(QStringLiteral(PG_APP_ID), files);
}

}  // namespace

int main(int argc, char** argv) {
    if (const InfoRequest request = FindInfoRequest(argc, argv); request != InfoRequest::None) {
        QCoreApplication app(argc, argv);
        if (request == InfoRequest::Version) {
            std::printf("pagegleaner %s\n", PG_VERSION_STRING);
        } else {
            std::fputs(UsageText().toLocal8Bit().constData(), stdout);
        }
        return 0;
    }

    // The embedded browser draws through contexts shared with the application.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pagegleaner"));
    QApplication::setApplicationVersion(QStringLiteral(PG_VERSION_STRING));
    // Task bars find the menu entry, and so the icon, by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral(PG_APP_ID));
    QApplication::setWindowIcon(ProgramIcon());

    const StartArguments start = ParseStartArguments(QCoreApplication::arguments().mid(1));
    if (!start.error.isEmpty()) {
        std::fprintf(stderr, "pagegleaner: %s\n\n%s", start.error.toLocal8Bit().constData(),
                     UsageText().toLocal8Bit().constData());
        return kExitUsage;
    }

    pg::IniSettingsStore settings(pg::SettingsFilePath());
    // The cookies a page sets go with the requests for its files.
    const pg::CurlCookieJar cookies;
    pg::CurlPageFetcher pageFetcher(30, 60, pg::CurlPageFetcher::kMaxPageBytes, &cookies);
    pg::DesktopFileOpener fileOpener;
    pg::DialogFolderPicker folderPicker;
    pg::CurlTransport transport(&cookies);
    pg::DesktopWindowTree windowTree;

    pg::MainWindowServices services;
    services.settings = &settings;
    services.pageFetcher = &pageFetcher;
    services.fileOpener = &fileOpener;
    services.folderPicker = &folderPicker;
    services.transport = &transport;
    services.windowTree = &windowTree;
    services.errorLogPath = pg::ErrorLogPath();
    services.historyFilePath = pg::HistoryFilePath();
    services.helpFilePath = pg::DataFilePath(QStringLiteral("faq.fil"));

    // The program ends with its main window, even while a help or log viewer
    // is still open.
    QApplication::setQuitOnLastWindowClosed(false);
    pg::MainWindow window(services);
    QObject::connect(&window, &pg::MainWindow::finished, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    window.startUp(start.pageUrl);
    window.show();
    return QApplication::exec();
}
