#pragma once

#include "gui/file_opener.h"

#include <QObject>

class QWidget;

namespace pg {

// Opens a text file in the desktop's viewer for plain text: xdg-open is given
// a private copy whose name ends in ".txt", so that the desktop never guesses
// another kind of file from the name's ending (faq.fil is taken for a
// drawing). Whether it opened is xdg-open's exit status, awaited without
// blocking; when it fails or cannot start, the file shows in the program's own
// viewer. No shell sees the path.
class DesktopFileOpener : public QObject, public FileOpener {
    Q_OBJECT
public:
    explicit DesktopFileOpener(QWidget* parent = nullptr) : parent_(parent) {}
    ~DesktopFileOpener() override;

    bool openTextFile(const QString& path, const QString& title) override;

private:
    // The copy handed to the desktop, in the user's private runtime folder;
    // empty when it cannot be made.
    static QString plainTextCopy(const QString& path);

    QWidget* parent_;
};

}  // namespace pg
