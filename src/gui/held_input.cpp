#include "gui/held_input.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QShortcutEvent>

namespace pg {

HeldInput::HeldInput(std::function<void()> onEscape) : onEscape_(std::move(onEscape)) {
    QCoreApplication::instance()->installEventFilter(this);
}

HeldInput::~HeldInput() {
    QCoreApplication::instance()->removeEventFilter(this);
}

bool HeldInput::eventFilter(QObject*, QEvent* event) {
    switch (event->type()) {
        // Esc reaches a window as a key press, or as a shortcut where the
        // window binds one to it (the main window's Exit).
        case QEvent::KeyPress:
            if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape && onEscape_) {
                onEscape_();
            }
            return true;
        case QEvent::Shortcut:
            if (static_cast<QShortcutEvent*>(event)->key() == QKeySequence(Qt::Key_Escape) &&
                onEscape_) {
                onEscape_();
            }
            return true;
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::Wheel:
        case QEvent::ContextMenu:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TabletPress:
        case QEvent::TabletRelease:
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop:
        case QEvent::InputMethod:
        case QEvent::NonClientAreaMouseButtonPress:
        case QEvent::NonClientAreaMouseButtonRelease:
        case QEvent::NonClientAreaMouseButtonDblClick:
            return true;
        default:
            return false;
    }
}

}  // namespace pg
