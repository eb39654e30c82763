#include "download/format.h"

#include "download/locale_guard.h"
#include "download/qstring_printer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace Qt::StringLiterals;

namespace pg {
namespace {

struct BytesCase {
    double value;
    QString format;
    QString expected;
    friend void PrintTo(const BytesCase& c, std::ostream* os) {
        *os << c.value << " with \"" << c.format.toStdString() << '"';
    }
};

class FormatBytesTest : public ::testing::TestWithParam<BytesCase> {};

TEST_P(FormatBytesTest, GivesExpectedText) {
    const test::LocaleGuard locale(test::EnglishUS());
    const BytesCase& c = GetParam();
    EXPECT_EQ(FormatBytes(c.value, c.format), c.expected) << "value " << c.value;
}

INSTANTIATE_TEST_SUITE_P(
    Table, FormatBytesTest,
    ::testing::Values(
        BytesCase{0, {}, u"0 bytes"_s}, BytesCase{1023, {}, u"1023 bytes"_s},
        BytesCase{1024, {}, u"1 KB"_s}, BytesCase{1536, {}, u"2 KB"_s},
        BytesCase{1048576, {}, u"1.0 MB"_s}, BytesCase{1073741824, {}, u"1.0 GB"_s},
        BytesCase{1023.5, {}, u"1023.5 bytes"_s}, BytesCase{-1, {}, QString()},
        BytesCase{1500, u"###.0"_s, u"1.5 KB"_s}, BytesCase{471859, {}, u"461 KB"_s},
        BytesCase{512, {}, u"512 bytes"_s}, BytesCase{512.25, u"###.0"_s, u"512.25 bytes"_s},
        // Range edges: rounding may reach the next unit's number.
        BytesCase{1048575, {}, u"1024 KB"_s}, BytesCase{1073741823, {}, u"1024.0 MB"_s},
        // 1.15 is 1.1499999... in binary; the decimal form rounds up.
        BytesCase{1.15 * 1048576, {}, u"1.2 MB"_s},
        // Files far beyond 4 GiB.
        BytesCase{5368709120.0, {}, u"5.0 GB"_s},
        BytesCase{
            static_cast<double>(std::numeric_limits<qint64>::max()), {}, u"8589934592.0 GB"_s},
        BytesCase{std::nan(""), {}, QString()},
        BytesCase{std::numeric_limits<double>::infinity(), {}, QString()}));

struct NumberCase {
    double value;
    QString pattern;
    QString expected;
    friend void PrintTo(const NumberCase& c, std::ostream* os) {
        *os << c.value << " with \"" << c.pattern.toStdString() << '"';
    }
};

class FormatNumberTest : public ::testing::TestWithParam<NumberCase> {};

TEST_P(FormatNumberTest, RoundsDecimalHalvesAwayFromZero) {
    const test::LocaleGuard locale(test::EnglishUS());
    const NumberCase& c = GetParam();
    EXPECT_EQ(FormatNumber(c.value, c.pattern), c.expected)
        << "value " << c.value << " pattern " << c.pattern.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Table, FormatNumberTest,
    ::testing::Values(
        NumberCase{0.05, u"###.0"_s, u".1"_s}, NumberCase{0.5, u"###.0"_s, u".5"_s},
        NumberCase{0.04, u"###.0"_s, u".0"_s}, NumberCase{0.15, u"###0.0"_s, u"0.2"_s},
        NumberCase{2.675, u"0.00"_s, u"2.68"_s}, NumberCase{9.96, u"###0.0"_s, u"10.0"_s},
        NumberCase{999.95, u"###0.0"_s, u"1000.0"_s}, NumberCase{1.5, u"###0"_s, u"2"_s},
        NumberCase{2.5, u"###0"_s, u"3"_s}, NumberCase{-2.5, u"0"_s, u"-3"_s},
        NumberCase{-0.4, u"0"_s, u"0"_s}, NumberCase{1234567, u"###0"_s, u"1234567"_s},
        NumberCase{0.3, u"###0"_s, u"0"_s}, NumberCase{0.3, u"###"_s, QString()},
        NumberCase{45.0, u"##0%"_s, u"45%"_s}, NumberCase{1.25, u"0.0#"_s, u"1.25"_s},
        NumberCase{1.2, u"0.0#"_s, u"1.2"_s}, NumberCase{1e20, u"#0"_s, u"100000000000000000000"_s},
        NumberCase{0.1 + 0.2, u""_s, u"0.3"_s}, NumberCase{std::nan(""), u"0"_s, QString()}));

TEST(FormatLocaleTest, DecimalSeparatorFollowsTheLocale) {
    const test::LocaleGuard locale(test::GermanGermany());
    EXPECT_EQ(FormatBytes(1048576), u"1,0 MB"_s);
    EXPECT_EQ(FormatBytes(1500, u"###.0"_s), u"1,5 KB"_s);
    EXPECT_EQ(FormatBytes(1023.5), u"1023,5 bytes"_s);
    // Never a thousands separator, although German has one.
    EXPECT_EQ(FormatNumber(1234567.25, u"###0.0"), u"1234567,3"_s);
}

struct TimeCase {
    double seconds;
    QString expected;
    friend void PrintTo(const TimeCase& c, std::ostream* os) { *os << c.seconds; }
};

class FormatTimeTest : public ::testing::TestWithParam<TimeCase> {};

TEST_P(FormatTimeTest, GivesExpectedText) {
    const test::LocaleGuard locale(test::EnglishUS());
    const TimeCase& c = GetParam();
    EXPECT_EQ(FormatTime(c.seconds), c.expected) << "seconds " << c.seconds;
}

INSTANTIATE_TEST_SUITE_P(
    Table, FormatTimeTest,
    ::testing::Values(TimeCase{45, u"45 sec"_s}, TimeCase{125, u"2 min 5 sec"_s},
                      TimeCase{3725, u"1 hr 2 min"_s}, TimeCase{59, u"59 sec"_s},
                      TimeCase{59.5, u"60 sec"_s}, TimeCase{60, u"1 min 0 sec"_s},
                      TimeCase{3599, u"59 min 59 sec"_s}, TimeCase{3600, u"1 hr 0 min"_s},
                      TimeCase{0, u"0 sec"_s}, TimeCase{0.5, u"1 sec"_s},
                      TimeCase{13.44, u"13 sec"_s},
                      // Seconds and minutes round ties to the even number.
                      TimeCase{62.5, u"1 min 2 sec"_s}, TimeCase{63.5, u"1 min 4 sec"_s},
                      TimeCase{3630, u"1 hr 0 min"_s}, TimeCase{3690, u"1 hr 2 min"_s},
                      TimeCase{90000, u"25 hr 0 min"_s},
                      // Negative values take the hour form.
                      TimeCase{-5, u"-1 hr 0 min"_s}, TimeCase{std::nan(""), QString()},
                      TimeCase{std::numeric_limits<double>::infinity(), QString()},
                      TimeCase{-std::numeric_limits<double>::infinity(), QString()}));

TEST(FormatTimeTest, HugeValuesNeedNoIntegerConversion) {
    const QString text = FormatTime(1e30);
    EXPECT_TRUE(text.startsWith(u"277777777777778"_s)) << text.toStdString();
    EXPECT_TRUE(text.endsWith(u" min"_s)) << text.toStdString();
}

// Every character is 10 units wide.
int FakeWidth(const QString& text) {
    return static_cast<int>(text.size()) * 10;
}

struct ShortenCase {
    int labelWidth;
    QString text;
    QString expected;
    friend void PrintTo(const ShortenCase& c, std::ostream* os) {
        *os << '"' << c.text.toStdString() << "\" in " << c.labelWidth;
    }
};

class ShortenLabelTest : public ::testing::TestWithParam<ShortenCase> {};

TEST_P(ShortenLabelTest, KeepsBothEnds) {
    const ShortenCase& c = GetParam();
    EXPECT_EQ(ShortenLabel(c.labelWidth, FakeWidth, c.text), c.expected);
}

const QString kPath = u"/home/user/Downloads/pictures/summer.jpg"_s;  // 40 characters

INSTANTIATE_TEST_SUITE_P(
    Table, ShortenLabelTest,
    ::testing::Values(
        // Twice as wide as the label: 8 characters each side of "..." fit in 200.
        ShortenCase{200, kPath, kPath.first(8) + u"..."_s + kPath.last(8)},
        ShortenCase{400, kPath, kPath},
        ShortenCase{399, kPath, kPath.first(18) + u"..."_s + kPath.last(18)},
        // Never fewer than 4 characters each side: the result may stay too wide.
        ShortenCase{10, kPath, kPath.first(4) + u"..."_s + kPath.last(4)},
        // Texts under 12 characters stay whole.
        ShortenCase{10, u"abcdefghijk"_s, u"abcdefghijk"_s},
        ShortenCase{10, u"abcdefghijkl"_s, u"abcd...ijkl"_s},
        ShortenCase{10, QString(), QString()}));

TEST(ShortenLabelTest, PathTwiceAsWideAsLabelKeepsEqualEnds) {
    const QString shortened = ShortenLabel(FakeWidth(kPath) / 2, FakeWidth, kPath);
    const qsizetype dots = shortened.indexOf(u"..."_s);
    ASSERT_GT(dots, 0);
    const QString head = shortened.first(dots);
    const QString tail = shortened.sliced(dots + 3);
    EXPECT_EQ(head.size(), tail.size());
    EXPECT_TRUE(kPath.startsWith(head));
    EXPECT_TRUE(kPath.endsWith(tail));
    EXPECT_LE(FakeWidth(shortened), FakeWidth(kPath) / 2);
}

struct PathCase {
    QString path;
    bool wantName;
    bool slash;
    QString expected;
    friend void PrintTo(const PathCase& c, std::ostream* os) {
        *os << '"' << c.path.toStdString() << "\" wantName " << c.wantName;
    }
};

class GetPathPartTest : public ::testing::TestWithParam<PathCase> {};

TEST_P(GetPathPartTest, SplitsAtLastSlash) {
    const PathCase& c = GetParam();
    EXPECT_EQ(GetPathPart(c.path, c.wantName, c.slash), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, GetPathPartTest,
    ::testing::Values(PathCase{u"http://host/a/b.zip"_s, true, true, u"b.zip"_s},
                      PathCase{u"http://host/a/b.zip"_s, false, true, u"http://host/a/"_s},
                      PathCase{u"/home/u/dl/pic.jpg"_s, true, false, u"pic.jpg"_s},
                      PathCase{u"/home/u/dl/pic.jpg"_s, false, false, u"/home/u/dl/"_s},
                      PathCase{u"/home/u/dl/"_s, true, false, QString()},
                      PathCase{u"/home/u/dl/"_s, false, false, u"/home/u/dl/"_s},
                      PathCase{u"pic.jpg"_s, true, false, u"pic.jpg"_s},
                      PathCase{u"pic.jpg"_s, false, false, u"pic.jpg"_s},
                      PathCase{u"/x"_s, false, false, u"/"_s}));

}  // namespace
}  // namespace pg
