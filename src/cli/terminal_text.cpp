#include "cli/terminal_text.h"

#include "download/file_names.h"

#include <algorithm>

namespace pg::cli {

QString EscapeControls(const QString& text) {
    const auto control = [](QChar c) { return IsUnsafeCharacter(c.unicode()); };
    if (std::none_of(text.begin(), text.end(), control)) {
        return text;  // the usual case: nothing to copy
    }
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (IsUnsafeCharacter(c.unicode())) {
            const bool wide = c.unicode() > 0xff;
            out += (wide ? QStringLiteral("\\u") : QStringLiteral("\\x")) +
                   QString::number(c.unicode(), 16).toUpper().rightJustified(wide ? 4 : 2, u'0');
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
