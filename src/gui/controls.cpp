#include "gui/controls.h"

#include <QFocusEvent>
#include <QLabel>
#include <QPushButton>

namespace pg {

QPushButton* NamedButton(QWidget* parent, const char* name, const QString& caption) {
    auto* button = NamedControl<QPushButton>(parent, name);
    button->setText(caption);
    button->setAutoDefault(true);
    return button;
}

QLabel* NamedLabel(QWidget* parent, const char* name, const QString& caption) {
    auto* label = NamedControl<QLabel>(parent, name);
    label->setTextFormat(Qt::PlainText);
    label->setText(caption);
    return label;
}

bool MovesToAnotherControl(const QFocusEvent* event) {
    const Qt::FocusReason reason = event->reason();
    return reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason;
}

}  // namespace pg
