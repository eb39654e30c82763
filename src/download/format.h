#pragma once

#include <QString>
#include <QStringView>

#include <functional>

namespace pg {

// Formats value with a digit pattern such as "###0", "###0.0" or "###.0": '0' is a
// required digit, '#' an optional one, '.' the decimal point (shown as the locale's
// decimal separator). The value is rounded to the pattern's last digit, halves away
// from zero, on its 15-significant-digit decimal form (so 0.15 with "0.0" gives 0.2).
// Text before and after the digit pattern is copied as it stands. Non-finite values
// give an empty string.
QString FormatNumber(double value, QStringView pattern);

// A byte count or rate as "512 bytes", "461 KB", "1.0 MB" or "3.2 GB"; format is the
// digit pattern for KB, MB and GB (defaults "###0", "###0.0", "###0.0"). Negative and
// non-finite values give an empty string.
QString FormatBytes(double value, const QString& format = {});

// A transfer rate as the progress window shows it: "41.9 KB/Sec", or below a
// kilobyte per second the number with the few digits a single-precision value
// holds ("333.3333 bytes/Sec").
QString FormatRate(double bytesPerSecond);

// A duration as "45 sec", "2 min 5 sec" or "1 hr 2 min". Non-finite values give an
// empty string.
QString FormatTime(double seconds);

// Width of a text in the units of the label it is meant for.
using TextWidthFn = std::function<int(const QString&)>;

// Shortens text around a middle "..." until it fits labelWidth, keeping as many
// characters at each end; texts under 12 characters are kept, and at least 3
// characters stay at each end, so the result may still be too wide.
QString ShortenLabel(int labelWidth, const TextWidthFn& measure, const QString& text);

// Splits path at its last "/": with wantName the part after it (empty when the path
// ends with "/"), otherwise the part up to and including it. A path without "/" is
// returned whole. URLs and local paths share the separator on this platform.
QString GetPathPart(const QString& path, bool wantName);

}  // namespace pg
