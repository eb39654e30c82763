#include "cli/terminal_text.h"

#include "download/file_names.h"

#include <algorithm>

namespace pg::cli {

QString EscapeControls(const QString& text) {
    const auto control = [](QChar c) { return IsControlCharacter(c.unicode()); };
    if (std::none_of(text.begin(), text.end(), control)) {
        return text;  // the usual case: nothing to copy
    }
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (IsControlCharacter(c.unicode())) {
            out += QStringLiteral("\\x") +
                   QString::number(c.unicode(), 16).toUpper().rightJustified(2, u'0');
        } else {
            out += c;
        }
    }
    return out;
}

QByteArray TerminalBytes(const QString& text) {
    return EscapeControls(text).toLocal8Bit();
}

}  // namespace pg::cli
