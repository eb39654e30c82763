#pragma once

#include <QString>

#include <optional>

namespace pg {

enum class OptionField { Max, RemPort, Secs };

// Characters the three option fields accept when typed: digits only (Backspace
// and editing keys are not characters).
inline constexpr int kOptionFieldMaxLength = 3;
bool IsOptionFieldCharacter(QChar c);

// The text a field shows once the focus leaves it: the number it begins with in
// decimal (007 -> 7, empty or no leading digit -> 0), then 0 becomes 1 in Max
// and 80 in RemPort.
QString NormalizeOptionField(OptionField field, const QString& text);

// A text converted to a 16-bit integer the way the stored options are used:
// blanks around it allowed, a fraction rounded to even; empty when it is not a
// number or does not fit.
std::optional<int> ToInt16(const QString& text);

// The remote port and request time-out of a batch: the option's number, or 80
// and 60 when it is not usable.
int RemotePortFromOption(const QString& remPort);
int TimeoutSecsFromOption(const QString& secs);

}  // namespace pg
