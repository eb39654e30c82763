#include "gui/desktop_file_opener.h"
#include "gui/folder_picker.h"
#include "gui/main_window.h"
#include "platform/curl_page_fetcher.h"
#include "platform/curl_transport.h"
#include "platform/desktop_window_tree.h"
#include "platform/ini_settings_store.h"
#include "platform/program_paths.h"

#include <QApplication>

int main(int argc, char** argv) {
    // The embedded browser draws through contexts shared with the application.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pagegleaner"));

    pg::IniSettingsStore settings(pg::SettingsFilePath());
    pg::CurlPageFetcher pageFetcher;
    pg::DesktopFileOpener fileOpener;
    pg::DialogFolderPicker folderPicker;
    pg::CurlTransport transport;
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
    window.startUp();
    window.show();
    return QApplication::exec();
}
