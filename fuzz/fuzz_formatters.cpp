// The text formatters: input 8 bytes of a double (any bit pattern, NaN and
// infinities included), 4 bytes of a label width, a line with a digit pattern,
// then the text to shorten and to show on a terminal.
#include "cli/terminal_text.h"
#include "download/file_names.h"
#include "download/format.h"
#include "fuzz_input.h"

#include <cmath>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    double value = 0;
    int width = 0;
    if (size < sizeof value + sizeof width) {
        return 0;
    }
    std::memcpy(&value, data, sizeof value);
    std::memcpy(&width, data + sizeof value, sizeof width);
    const size_t head = sizeof value + sizeof width;
    const std::vector<QByteArray> f = pg::fuzz::Fields(data + head, size - head, 1);
    const QString pattern = QString::fromUtf8(f[0]), text = QString::fromUtf8(f[1]);

    using pg::fuzz::Require;
    const bool shown = std::isfinite(value) && value >= 0;
    Require(pg::FormatBytes(value).isEmpty() != shown);
    Require((pg::FormatRate(value).size() > 4) == shown);  // a number before "/Sec"
    Require(pg::FormatTime(value).isEmpty() != std::isfinite(value));
    pg::FormatBytes(value, pattern);
    pg::FormatNumber(value, pattern);

    const QString label = pg::ShortenLabel(
        width, [](const QString& t) { return static_cast<int>(t.size()); }, text);
    Require(label == text || (label.size() < text.size() && label.contains(QStringLiteral("...")) &&
                              label.first(3) == text.first(3) && label.last(3) == text.last(3)));
    for (const QChar c : pg::cli::EscapeControls(text)) {
        Require(!pg::IsControlCharacter(c.unicode()));
    }
    return 0;
}
