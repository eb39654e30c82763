#pragma once

#include <QString>

class QFocusEvent;
class QLabel;
class QPushButton;
class QWidget;

namespace pg {

// Every control carries its name as its object name; tests and assistive
// technology find controls by it.
template <typename T>
T* NamedControl(QWidget* parent, const char* name) {
    auto* control = new T(parent);
    control->setObjectName(QString::fromLatin1(name));
    return control;
}

// A push button that Enter presses while it has the focus, as on every
// desktop; otherwise Enter goes to the window's default button, if any.
QPushButton* NamedButton(QWidget* parent, const char* name, const QString& caption);

// A label showing plain text (a URL or a path never turns into markup).
QLabel* NamedLabel(QWidget* parent, const char* name, const QString& caption);

// True when a focus change moves the focus to another control of the same
// window, not to a context menu or to another window for a while.
bool MovesToAnotherControl(const QFocusEvent* event);

}  // namespace pg
