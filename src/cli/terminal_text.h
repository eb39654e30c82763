#pragma once

#include <QByteArray>
#include <QString>

namespace pg::cli {

// Text from a page made harmless for a terminal: each control character (C0,
// DEL, C1) becomes a visible "\xHH" with its code in capital hex digits, so
// ESC shows as "\x1B" and U+009B as "\x9B", and each bidirectional formatting
// character a visible "\uHHHH" ("\u202E"); all else stays as it is.
QString EscapeControls(const QString& text);

// EscapeControls(text) in the locale's encoding, for stdout and stderr.
QByteArray TerminalBytes(const QString& text);

}  // namespace pg::cli
