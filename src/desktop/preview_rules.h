#pragma once

#include <QSize>
#include <QString>
#include <QUrl>

namespace pg {

// True for an entry that a preview shows: a URL of the http, https or ftp
// scheme whose extension is none of programs, scripts, style sheets and
// archives ("exe", "css", "js", "jsp", "cgi", "zip"). The extension is the
// text after the last "." of the whole entry, letter case ignored. Any other
// scheme (file, data, view-source, chrome, ...) is never previewed: a page
// must not make the program open local files, run script or reach the
// browser engine's own pages.
bool IsPreviewable(const QString& entry);

// http, https and ftp: the only schemes that a preview loads, for the entry
// and for every request the previewed page makes.
bool IsPreviewScheme(const QUrl& url);

// What a preview loads for an entry: its URL without a user name or password,
// so that no credential reaches the server through the preview.
QUrl PreviewLocation(const QString& entry);

// The full-screen preview's browser size after its window took the outer size
// `window`, both in twips: each side follows the window less the frame margin
// (350 across, 600 down) where the window is larger than that margin, and
// keeps its size otherwise.
QSize FitPreviewBrowser(QSize window, QSize browser);

}  // namespace pg
