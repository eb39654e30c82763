#pragma once

#include <QDialog>

namespace pg {

// The program's own read-only window for a text file (the help text, the
// error log), used when the desktop has no viewer for it. Not modal: the
// program goes on beside it; it deletes itself when closed.
class TextViewer : public QDialog {
    Q_OBJECT
public:
    TextViewer(const QString& text, const QString& title, QWidget* parent = nullptr);

    // Shows the file's text in a new viewer; false when the file cannot be read.
    static bool showFile(const QString& path, const QString& title, QWidget* parent = nullptr);
};

}  // namespace pg
