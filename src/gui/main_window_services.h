#pragma once

#include <QString>

namespace pg {

class FileOpener;
class FolderPicker;
class PageFetcher;
class SettingsStore;
class TransferQuestions;
class Transport;
class WindowTree;

// What the main window needs from the platform; tests put fakes in here.
struct MainWindowServices {
    SettingsStore* settings = nullptr;
    PageFetcher* pageFetcher = nullptr;
    FileOpener* fileOpener = nullptr;
    FolderPicker* folderPicker = nullptr;
    Transport* transport = nullptr;
    // Answers a transfer's questions; empty: message boxes over the progress window.
    TransferQuestions* transferQuestions = nullptr;
    QString historyFilePath;  // urls.txt
    QString helpFilePath;     // faq.fil
    QString errorLogPath;     // error.log
    // The desktop's windows, for "&Get URL From Browser".
    WindowTree* windowTree = nullptr;
};

}  // namespace pg
