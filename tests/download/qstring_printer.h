#pragma once

#include <QString>

#include <ostream>

// Lets GoogleTest show QStrings as text in failure messages; found by argument-
// dependent lookup because QString lives in the global namespace.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}
