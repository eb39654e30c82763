#pragma once

#include "download/progress_view.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace pg {

class TransferQuestions;
class Transport;

// What a batch needs from the main window.
class BatchWindow {
public:
    virtual ~BatchWindow() = default;
    virtual void setStatusText(const QString& text) = 0;
    virtual void focusFolderButton() = 0;
    virtual void hideMainWindow() = 0;
    virtual void showMainWindow() = 0;
    virtual void beep() = 0;
    // Enters the page URL with the job's current fields into the history.
    virtual void addPageToHistory() = 0;
    // "Errors occurred while downloading. Do you want to view the error log file?"
    virtual bool askToViewErrorLog() = 0;
    virtual void openErrorLog(const QString& path) = 0;
};

// One batch: the checked file URLs in list order and the job fields it reads.
struct BatchJob {
    QStringList urls;
    QString directory;
    QString userName;
    QString password;
    QString remPort;  // the options as stored text
    QString secs;
    QString errorLogPath;
};

struct BatchServices {
    Transport& transport;
    ProgressView& view;
    TransferQuestions& questions;
    DownloadFlags& flags;
    std::function<std::optional<qint64>(const QString&)> freeSpace;  // empty: the file system's
};

namespace BatchText {
inline const QString NoDirectory =
    QStringLiteral("Please specify a directory where the downloaded files will be stored");
inline const QString Errors =
    QStringLiteral("Errors occurred while downloading - please view error log file");
inline const QString ViewLogQuestion =
    QStringLiteral("Errors occurred while downloading. Do you want to view the error log file?");
QString Success(int count);
}  // namespace BatchText

// The download target of a file URL: the folder, "/", and the URL's text after
// its last "/" (query included).
QString BatchTargetPath(const QString& directory, const QString& url);

// "7) &Download Files": downloads every file of the job into its folder, one
// after the other, and reports. Returns the number of files that arrived.
int RunBatch(BatchWindow& window, BatchServices& services, const BatchJob& job);

}  // namespace pg
