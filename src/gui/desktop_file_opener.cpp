#include "gui/desktop_file_opener.h"

#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QUrl>
#include <QVBoxLayout>

namespace pg {

bool DesktopFileOpener::openTextFile(const QString& path, const QString& title) {
    if (!QFile::exists(path)) {
        return false;
    }
    if (QDesktopServices::openUrl(QUrl::fromLocalFile(path))) {
        return true;
    }
    return showInViewer(path, title, parent_);
}

bool DesktopFileOpener::showInViewer(const QString& path, const QString& title, QWidget* parent) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return false;
    }
    auto* viewer = new QDialog(parent);
    viewer->setObjectName(QStringLiteral("TextViewer"));
    viewer->setAttribute(Qt::WA_DeleteOnClose);
    viewer->setWindowTitle(title);
    auto* text = new QPlainTextEdit(viewer);
    text->setReadOnly(true);
    text->setPlainText(QString::fromUtf8(file.readAll()));
    text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, viewer);
    QObject::connect(buttons, &QDialogButtonBox::rejected, viewer, &QDialog::close);
    auto* layout = new QVBoxLayout(viewer);
    layout->addWidget(text);
    layout->addWidget(buttons);
    viewer->resize(720, 560);
    viewer->show();  // not modal: the program goes on beside it
    return true;
}

}  // namespace pg
