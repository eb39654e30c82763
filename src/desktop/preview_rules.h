#pragma once

#include <QSize>
#include <QString>

namespace pg {

// False for programs, scripts, style sheets and archives ("exe", "css", "js",
// "jsp", "cgi", "zip"), judged by the text after the last "." of the whole
// entry, letter case ignored. Such files are never previewed.
bool IsPreviewable(const QString& entry);

// The full-screen preview's browser size after its window took the outer size
// `window`, both in twips: each side follows the window less the frame margin
// (350 across, 600 down) where the window is larger than that margin, and
// keeps its size otherwise.
QSize FitPreviewBrowser(QSize window, QSize browser);

}  // namespace pg
