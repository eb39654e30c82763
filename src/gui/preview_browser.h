#pragma once

#include <QString>

class QWebEngineView;
class QWidget;

namespace pg {

// Lets the embedded browser start here: its sandbox cannot run as root, and
// previews need no GPU (software drawing works on every display, Xvfb and
// remote ones included). Run before the first page is loaded; settings
// already in the environment are kept.
void PrepareWebEngine();

// A browser named WebBrowser1 over a locked-down PreviewPage, which ends the
// navigation hourglass whenever it completes a navigation or is destroyed.
QWebEngineView* NewPreviewBrowser(QWidget* parent);

// Shows the hourglass and loads the entry, without its user name and password,
// into a browser made by NewPreviewBrowser; an entry of another scheme than
// http, https or ftp is never loaded. The hourglass is program-wide and stays
// until a browser completes a navigation.
void NavigatePreview(QWebEngineView* browser, const QString& entry);

}  // namespace pg
