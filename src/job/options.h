#pragma once

#include <QString>

#include <optional>

namespace pg {

// The three options, held as the text that was stored.
struct Options {
    QString historyLimit = QStringLiteral("100");  // "Max": records urls.txt keeps
    QString remotePort = QStringLiteral("80");     // "RemPort": for http file URLs without a port
    QString waitSecs = QStringLiteral("60");       // "Secs": wait for a download request
};

enum class OptionField { HistoryLimit, RemotePort, WaitSecs };

// Characters the option fields take when typed: digits, at most three of them.
inline constexpr int kOptionFieldTypedLength = 3;

// Whether an edit of an option field that turns `before` into `after` is
// allowed: it may not bring in a character other than a digit, nor make the
// text longer than three characters. A longer stored value stays as it is, and
// deleting from any text is always allowed.
bool AcceptsOptionFieldEdit(const QString& before, const QString& after);

// The text a field shows once the focus leaves it: the number it begins with in
// decimal (007 -> 7, empty or no leading digit -> 0), then 0 becomes 1 in the
// history limit and 80 in the remote port.
QString NormalizeOptionField(OptionField field, const QString& text);

// A text converted to a 16-bit integer the way the stored options are used:
// blanks around it allowed, a fraction rounded to even; empty when it is not a
// number or does not fit.
std::optional<int> ToInt16(const QString& text);

// The remote port and request time-out of a batch: the option's number, or 80
// and 60 when it is not usable.
int RemotePortFromOption(const QString& remotePort);
int TimeoutSecsFromOption(const QString& waitSecs);

}  // namespace pg
