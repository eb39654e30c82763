#include "download/format.h"
#include "download/progress_text.h"
#include "support/qstring_printer.h"

#include <QLocale>

#include <gtest/gtest.h>

#include <functional>

using namespace Qt::StringLiterals;

namespace pg {
namespace {

TEST(FormatTest, BytesRatesAndTimes) {
    const std::function<QString(double)> bytes = [](double v) { return FormatBytes(v); };
    const std::tuple<std::function<QString(double)>, double, QString> rows[] = {
        {bytes, 0, u"0 bytes"_s},
        {bytes, 1023, u"1023 bytes"_s},
        {bytes, 1023.5, u"1023.5 bytes"_s},
        {bytes, 1024, u"1 KB"_s},
        {bytes, 1536, u"2 KB"_s},
        {bytes, 1048575, u"1024 KB"_s},
        {bytes, 1048576, u"1.0 MB"_s},
        {bytes, 1073741823, u"1024.0 MB"_s},
        {bytes, 1073741824, u"1.0 GB"_s},
        {bytes, -1, QString()},
        // Below a kilobyte per second a rate shows a single-precision value's digits.
        {FormatRate, 1500, u"1.5 KB/Sec"_s},
        {FormatRate, 512.25, u"512.25 bytes/Sec"_s},
        {FormatRate, 1000.0 / 3, u"333.3333 bytes/Sec"_s},
        {FormatRate, 1e39, u"931322574615478000000000000000.0 GB/Sec"_s},  // beyond a float
        {FormatTime, 59, u"59 sec"_s},
        {FormatTime, 59.5, u"60 sec"_s},
        {FormatTime, 60, u"1 min 0 sec"_s},
        {FormatTime, 3599, u"59 min 59 sec"_s},
        {FormatTime, 3600, u"1 hr 0 min"_s},
        {FormatTime, 3725, u"1 hr 2 min"_s}};
    for (const auto& [format, value, text] : rows) {
        EXPECT_EQ(format(value), text) << value;
    }
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(FormatBytes(1572864), u"1,5 MB"_s);  // the decimal point follows the locale
    QLocale::setDefault(saved);
}

// Labels keep equal ends around "..." to fit; the texts of an update.
TEST(FormatTest, ProgressWindowTexts) {
    const auto width = [](const QString& text) { return int(text.size()); };
    const QString path = u"/home/user/downloads/a-long-filename.zip"_s;  // 40 characters
    EXPECT_EQ(ShortenLabel(20, width, path), path.first(8) + u"..."_s + path.last(8));
    EXPECT_EQ(ShortenLabel(5, width, u"abcdefghijk"_s), u"abcdefghijk"_s);
    EXPECT_EQ(ShortenLabel(5, width, u"abcdefghijkl"_s), u"abcd...ijkl"_s);
    const ProgressTexts texts = MakeProgressTexts({471859, 1048576, 11, u"setup.exe"_s, 3, 10});
    EXPECT_EQ(texts.title, u"45% of setup.exe completed - 3 of 10"_s);
    EXPECT_EQ(texts.timeLabel, u"13 sec (461 KB of 1.0 MB copied)"_s);
    EXPECT_EQ(texts.rateLabel, u"41.9 KB/Sec"_s);
}

}  // namespace
}  // namespace pg
