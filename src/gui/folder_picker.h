#pragma once

#include <QString>

class QWidget;

namespace pg {

// Lets the user choose a folder of the file system.
class FolderPicker {
public:
    virtual ~FolderPicker() = default;
    // The chosen folder's path (no closing separator except for "/"), or empty
    // text when the user cancelled.
    virtual QString chooseFolder(QWidget* parent, const QString& title,
                                 const QString& startFolder) = 0;
};

// The platform's folder dialog, folders only.
class DialogFolderPicker : public FolderPicker {
public:
    QString chooseFolder(QWidget* parent, const QString& title,
                         const QString& startFolder) override;
};

// The folder a picker should open on: `folder` itself, or its nearest existing
// parent when it has been deleted, or the home folder when it is empty.
QString PickerStartFolder(const QString& folder);

}  // namespace pg
