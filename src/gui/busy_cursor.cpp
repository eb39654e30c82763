#include "gui/busy_cursor.h"

#include <QApplication>
#include <QCursor>

namespace pg {

BusyCursor::BusyCursor() {
    QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
}

BusyCursor::~BusyCursor() {
    QApplication::restoreOverrideCursor();
}

}  // namespace pg
