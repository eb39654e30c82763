#include "app/controls.h"

#include <QLabel>
#include <QPushButton>

namespace pg {

QPushButton* NamedButton(QWidget* parent, const char* name, const QString& caption) {
    auto* button = NamedControl<QPushButton>(parent, name);
    button->setText(caption);
    button->setAutoDefault(false);
    return button;
}

QLabel* NamedLabel(QWidget* parent, const char* name, const QString& caption) {
    auto* label = NamedControl<QLabel>(parent, name);
    label->setTextFormat(Qt::PlainText);
    label->setText(caption);
    return label;
}

}  // namespace pg
