#pragma once

#include <QString>

class QLabel;
class QPushButton;
class QWidget;

namespace pg {

// Every control carries its name as its object name; the windows and their
// tests find controls by it.
template <typename T>
T* NamedControl(QWidget* parent, const char* name) {
    auto* control = new T(parent);
    control->setObjectName(QString::fromLatin1(name));
    return control;
}

// A push button that Enter presses only when it is the window's default button.
QPushButton* NamedButton(QWidget* parent, const char* name, const QString& caption);

// A label showing plain text (a URL or a path never turns into markup).
QLabel* NamedLabel(QWidget* parent, const char* name, const QString& caption);

}  // namespace pg
