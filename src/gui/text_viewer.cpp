#include "gui/text_viewer.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace pg {

TextViewer::TextViewer(const QString& text, const QString& title, QWidget* parent)
    : QDialog(parent) {
    setObjectName(u"TextViewer"_s);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(title);
    auto* view = new QPlainTextEdit(this);
    view->setObjectName(u"Text"_s);
    view->setReadOnly(true);
    view->setPlainText(text);
    view->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(view);
    layout->addWidget(buttons);
    resize(720, 560);
}

bool TextViewer::showFile(const QString& path, const QString& title, QWidget* parent) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return false;
    }
    auto* viewer = new TextViewer(QString::fromUtf8(file.readAll()), title, parent);
    viewer->show();
    return true;
}

}  // namespace pg
