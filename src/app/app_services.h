#pragma once

#include <QString>

namespace pg {

class FileOpener;
class PageFetcher;
class SettingsStore;

// What the main window needs from the platform; tests put fakes in here.
struct AppServices {
    SettingsStore* settings = nullptr;
    PageFetcher* pageFetcher = nullptr;
    FileOpener* fileOpener = nullptr;
    QString historyFilePath;  // urls.txt
    QString helpFilePath;     // faq.fil
};

}  // namespace pg
