#include "gui/folder_picker.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace pg {

QString DialogFolderPicker::chooseFolder(QWidget* parent, const QString& title,
                                         const QString& startFolder) {
    const QString chosen =
        QFileDialog::getExistingDirectory(parent, title, startFolder, QFileDialog::ShowDirsOnly);
    if (chosen.size() > 1 && chosen.endsWith(QLatin1Char('/'))) {
        return chosen.chopped(1);
    }
    return chosen;
}

QString PickerStartFolder(const QString& folder) {
    if (folder.isEmpty()) {
        return QDir::homePath();
    }
    QString path = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    while (!QFileInfo(path).isDir()) {
        const QString parent = QFileInfo(path).path();
        if (parent == path) {
            return QDir::homePath();
        }
        path = parent;
    }
    return path;
}

}  // namespace pg
