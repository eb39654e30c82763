#include "download/progress_text.h"

#include "download/locale_guard.h"
#include "download/qstring_printer.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>

using namespace Qt::StringLiterals;

namespace pg {
namespace {

constexpr qint64 kGiB = 1073741824;

ProgressSnapshot Snapshot(qint64 received, qint64 total, double elapsed,
                          const QString& name = u"setup.exe"_s, int number = 3, int count = 10) {
    ProgressSnapshot s;
    s.received = received;
    s.total = total;
    s.elapsed = elapsed;
    s.targetName = name;
    s.itemNumber = number;
    s.itemCount = count;
    return s;
}

struct TextsCase {
    const char* what;
    ProgressSnapshot snapshot;
    QString title;
    QString timeLabel;
    QString rateLabel;
    friend void PrintTo(const TextsCase& c, std::ostream* os) { *os << c.what; }
};

class ProgressTextsTest : public ::testing::TestWithParam<TextsCase> {};

TEST_P(ProgressTextsTest, GivesWindowTexts) {
    const test::LocaleGuard locale(test::EnglishUS());
    const TextsCase& c = GetParam();
    const ProgressTexts texts = MakeProgressTexts(c.snapshot);
    EXPECT_EQ(texts.title, c.title) << c.what;
    EXPECT_EQ(texts.timeLabel, c.timeLabel) << c.what;
    EXPECT_EQ(texts.rateLabel, c.rateLabel) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Table, ProgressTextsTest,
    ::testing::Values(TextsCase{"third of ten files, 11 s after the start clock",
                                Snapshot(471859, 1048576, 11),
                                u"45% of setup.exe completed - 3 of 10"_s,
                                u"13 sec (461 KB of 1.0 MB copied)"_s, u"41.9 KB/Sec"_s},
                      TextsCase{"unknown length", Snapshot(471859, -1, 11),
                                u"461 KB of setup.exe completed - 3 of 10"_s,
                                u"Unknown (461 KB copied)"_s, u"41.9 KB/Sec"_s},
                      TextsCase{"nothing received yet", Snapshot(0, 1048576, 1),
                                u"0% of setup.exe completed - 3 of 10"_s,
                                u"Unknown (0 bytes of 1.0 MB copied)"_s, QString()},
                      TextsCase{"no time passed", Snapshot(100, -1, 0),
                                u"100 bytes of setup.exe completed - 3 of 10"_s,
                                u"Unknown (100 bytes copied)"_s, QString()},
                      TextsCase{"clock not a number", Snapshot(100, 1000, std::nan("")),
                                u"10% of setup.exe completed - 3 of 10"_s,
                                u"Unknown (100 bytes of 1000 bytes copied)"_s, QString()},
                      TextsCase{"slow link", Snapshot(1025, 4096, 2, u"a.gif"_s, 1, 2),
                                u"25% of a.gif completed - 1 of 2"_s,
                                u"6 sec (1 KB of 4 KB copied)"_s, u"512.5 bytes/Sec"_s},
                      TextsCase{"half a percent rounds up", Snapshot(1, 200, 1),
                                u"1% of setup.exe completed - 3 of 10"_s,
                                u"3 min 19 sec (1 bytes of 200 bytes copied)"_s, u"1 bytes/Sec"_s},
                      TextsCase{"empty file", Snapshot(0, 0, 1, u"empty.txt"_s, 1, 1),
                                u"100% of empty.txt completed - 1 of 1"_s,
                                u"Unknown (0 bytes of 0 bytes copied)"_s, QString()},
                      TextsCase{"more than announced", Snapshot(1100, 1000, 1),
                                u"110% of setup.exe completed - 3 of 10"_s,
                                u"0 sec (1 KB of 1000 bytes copied)"_s, u"1.1 KB/Sec"_s},
                      TextsCase{"beyond 2 GiB",
                                Snapshot(kGiB + kGiB / 2, 3 * kGiB, 100, u"big.iso"_s, 1, 1),
                                u"50% of big.iso completed - 1 of 1"_s,
                                u"1 min 40 sec (1.5 GB of 3.0 GB copied)"_s, u"15.4 MB/Sec"_s}));

TEST(TimeLeftTest, IsKnownOnlyWithLengthAndRate) {
    const std::optional<double> left = TimeLeft(Snapshot(471859, 1048576, 11));
    ASSERT_TRUE(left.has_value());
    EXPECT_NEAR(*left, (1048576.0 - 471859.0) / (471859.0 / 11.0), 1e-9);

    EXPECT_FALSE(TimeLeft(Snapshot(471859, -1, 11)).has_value());
    EXPECT_FALSE(TimeLeft(Snapshot(0, 1048576, 11)).has_value());
    EXPECT_FALSE(TimeLeft(Snapshot(471859, 1048576, 0)).has_value());
    EXPECT_FALSE(TimeLeft(Snapshot(471859, 1048576, -1)).has_value());
    EXPECT_EQ(TimeLeft(Snapshot(1048576, 1048576, 5)), 0.0);
}

struct BarCase {
    qint64 received;
    qint64 total;
    ProgressBarRange expected;
    friend void PrintTo(const BarCase& c, std::ostream* os) {
        *os << c.received << " of " << c.total;
    }
};

class MapProgressBarTest : public ::testing::TestWithParam<BarCase> {};

TEST_P(MapProgressBarTest, FitsTheIntRange) {
    const BarCase& c = GetParam();
    const ProgressBarRange range = MapProgressBar(c.received, c.total);
    EXPECT_EQ(range.value, c.expected.value) << c.received << " of " << c.total;
    EXPECT_EQ(range.maximum, c.expected.maximum) << c.received << " of " << c.total;
}

constexpr qint64 kInt64Max = std::numeric_limits<qint64>::max();

INSTANTIATE_TEST_SUITE_P(
    Table, MapProgressBarTest,
    ::testing::Values(BarCase{0, -1, {0, 0}}, BarCase{5000, -1, {0, 0}},
                      BarCase{50, 100, {50, 100}}, BarCase{150, 100, {100, 100}},
                      BarCase{-3, 100, {0, 100}}, BarCase{0, 0, {1, 1}},
                      BarCase{INT_MAX - 1, INT_MAX, {INT_MAX - 1, INT_MAX}},
                      // 3 GiB does not fit an int: halved.
                      BarCase{0, 3 * kGiB, {0, 1610612736}},
                      BarCase{kGiB + kGiB / 2, 3 * kGiB, {805306368, 1610612736}},
                      BarCase{3 * kGiB, 3 * kGiB, {1610612736, 1610612736}},
                      BarCase{kInt64Max, kInt64Max, {INT_MAX, INT_MAX}},
                      BarCase{kInt64Max / 2, kInt64Max, {INT_MAX / 2, INT_MAX}}));

}  // namespace
}  // namespace pg
