#pragma once

#include <QString>
#include <QStringList>

namespace pg {

class PageFetcher;

// The parts of the main window that "6) &Extract file URLs" changes.
class ScanWindow {
public:
    virtual ~ScanWindow() = default;
    virtual void setStatusText(const QString& text) = 0;
    // Sets the count label above the file list and repaints it at once.
    virtual void setCountLabel(const QString& text) = 0;
    virtual void setDownloadEnabled(bool enabled) = 0;
    virtual void hidePreview() = 0;
    virtual void setBusy(bool busy) = 0;
    virtual void clearFileList() = 0;
    // Fills the file list (all unchecked) and sizes its horizontal scroll range.
    virtual void fillFileList(const QStringList& urls) = 0;
};

// The job fields the command reads.
struct ScanJob {
    QString url;
    QString userName;
    QString password;
    bool allTypes = false;
    QString fileTypes;
};

namespace ScanText {
inline const QString Extracting = QStringLiteral("Extracting web page file URLs...");
inline const QString BadPrefix = QStringLiteral(
    "Unable to retrieve web page source - URL should begin with 'http://', 'https://', or "
    "'ftp://'");
inline const QString RequestFailed = QStringLiteral(
    "Unable to retrieve web page source - check internet connection, URL, user name and password");
inline const QString EmptyPage = QStringLiteral(
    "Unable to get web page source - check internet connection, URL, user name and password");
inline const QString Extracted = QStringLiteral("Web page file URLs extracted");
inline const QString NoneFound = QStringLiteral("Unable to find any web page file URLs");
inline const QString NoneExtracted = QStringLiteral("No extracted file URLs");
}  // namespace ScanText

// True when the URL begins with "http" or "ftp", letter case ignored.
bool HasPagePrefix(const QString& url);

// The count label for n listed files.
QString ExtractedCountText(int count);

// Runs the whole command: checks the URL, fetches the page, extracts the file
// URLs and fills the list, reporting through the window.
void RunExtractCommand(ScanWindow& window, PageFetcher& fetcher, const ScanJob& job);

}  // namespace pg
