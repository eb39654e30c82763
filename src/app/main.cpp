#include "app/app_services.h"
#include "app/data_files.h"
#include "app/frmMain.h"
#include "download/error_log.h"
#include "history/history_store.h"
#include "platform/curl_page_fetcher.h"
#include "platform/curl_transport.h"
#include "platform/desktop_file_opener.h"
#include "platform/folder_picker.h"
#include "platform/settings_store.h"

#include <QApplication>

#include <unistd.h>

int main(int argc, char** argv) {
    // The embedded browser's sandbox cannot start as root.
    if (::geteuid() == 0) {
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pagegleaner"));

    pg::IniSettingsStore settings;
    pg::CurlPageFetcher pageFetcher;
    pg::DesktopFileOpener fileOpener;
    pg::DialogFolderPicker folderPicker;
    pg::CurlTransport transport;

    pg::AppServices services;
    services.settings = &settings;
    services.pageFetcher = &pageFetcher;
    services.fileOpener = &fileOpener;
    services.folderPicker = &folderPicker;
    services.transport = &transport;
    services.errorLogPath = pg::DefaultErrorLogPath();
    services.historyFilePath = pg::HistoryFilePath();
    services.helpFilePath = pg::DataFilePath(QStringLiteral("faq.fil"));

    // The program ends with its main window, even while a help or log viewer
    // is still open.
    QApplication::setQuitOnLastWindowClosed(false);
    pg::frmMain window(services);
    QObject::connect(&window, &pg::frmMain::finished, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    window.startUp();
    window.show();
    return QApplication::exec();
}
