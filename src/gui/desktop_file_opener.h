#pragma once

#include "gui/file_opener.h"

class QWidget;

namespace pg {

// Hands the file to the desktop's viewer for it (xdg-open, through
// QDesktopServices); when there is none, shows the file read-only in a window
// of our own. The command line never goes through a shell.
class DesktopFileOpener : public FileOpener {
public:
    explicit DesktopFileOpener(QWidget* parent = nullptr) : parent_(parent) {}
    bool openTextFile(const QString& path, const QString& title) override;

    // Shows the file in the program's own read-only viewer.
    static bool showInViewer(const QString& path, const QString& title, QWidget* parent);

private:
    QWidget* parent_;
};

}  // namespace pg
