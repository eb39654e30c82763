#pragma once

#include <QString>
#include <QStringList>

namespace pg {

class AccessibleNode;
class WindowTree;

enum class BrowserUrlStatus { Obtained, NotObtained, NoBrowser };

// What "&Get URL From Browser" found.
struct BrowserUrlCapture {
    BrowserUrlStatus status = BrowserUrlStatus::NoBrowser;
    QString url;  // set when Obtained
};

// Words that mark a window title as a browser's, matched as substrings with
// exact letter case: the classic browsers first, then today's.
const QStringList& BrowserTitleWords();
bool IsBrowserTitle(const QString& title);

// Depth-first over the window's elements, children in order: the trimmed text
// of the first editable field that looks like a URL (fields holding anything
// else are passed over); failing that, the URL of the first document shown.
// Empty when neither is there.
QString FindUrlInWindow(AccessibleNode& window);

// Takes the first top-level window, topmost first, whose title names a
// browser, and searches that window alone.
BrowserUrlCapture CaptureBrowserUrl(WindowTree& tree);

QString BrowserUrlStatusText(BrowserUrlStatus status);

}  // namespace pg
