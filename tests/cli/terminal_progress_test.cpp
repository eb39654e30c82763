#include "cli/terminal_progress.h"

#include "download/locale_guard.h"

#include <gtest/gtest.h>

#include <QByteArrayList>

using namespace Qt::StringLiterals;

namespace pg::cli {
namespace {

ProgressSnapshot Snapshot(qint64 received, qint64 total, double elapsed,
                          const QString& name = u"setup.exe"_s, int number = 3, int count = 10) {
    return {received, total, elapsed, name, number, count};
}

TEST(ProgressBarLine, ShowsTheFiguresThatCanBeTold) {
    test::LocaleGuard locale(test::EnglishUS());
    const struct {
        ProgressSnapshot snapshot;
        const char* line;
    } cases[] = {
        {Snapshot(472064, 1048576, 11),
         "[3/10] setup.exe  45% [#########           ] 461 KB of 1.0 MB  41.9 KB/Sec  13 sec"},
        {Snapshot(472064, -1, 11), "[3/10] setup.exe 461 KB  41.9 KB/Sec"},
        {Snapshot(0, 1000, 0, u"a.gif"_s, 1, 1),
         "[1/1] a.gif   0% [                    ] 0 bytes of 1000 bytes"},
        // Rounded down: 100% only once the last byte is there.
        {Snapshot(2047, 2048, 1, u"b.jpg"_s, 2, 2),
         "[2/2] b.jpg  99% [################### ] 2 KB of 2 KB  2.0 KB/Sec  0 sec"},
        {Snapshot(2048, 2048, 1, u"b.jpg"_s, 2, 2),
         "[2/2] b.jpg 100% [####################] 2 KB of 2 KB  2.0 KB/Sec  0 sec"},
        {Snapshot(3, 3, 1.0004, u"tiny.gif"_s, 2, 3),
         "[2/3] tiny.gif 100% [####################] 3 bytes of 3 bytes  3 bytes/Sec  0 sec"},
        {Snapshot(0, 0, 1, u"empty.htm"_s, 1, 2),
         "[1/2] empty.htm 100% [####################] 0 bytes of 0 bytes"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ProgressBarLine(c.snapshot, 200).toStdString(), c.line);
    }
}

TEST(ProgressBarLine, LongNamesAreShortenedToFitTheWidth) {
    test::LocaleGuard locale(test::EnglishUS());
    const QString name = u"a-rather-long-installer-name-for-the-test-1.2.3.exe"_s;
    const ProgressSnapshot snapshot = Snapshot(1000, 4000, 1, name);
    const QString wide = ProgressBarLine(snapshot, 200);
    ASSERT_TRUE(wide.contains(name));
    const QString figures = wide.sliced(wide.indexOf(u"  25%"_s));
    for (int width : {100, 90}) {
        const QString line = ProgressBarLine(snapshot, width);
        EXPECT_LE(line.size(), width) << line.toStdString();
        EXPECT_TRUE(line.startsWith(u"[3/10] a-r"_s)) << line.toStdString();
        EXPECT_TRUE(line.contains(u"..."_s)) << line.toStdString();
        // Both ends of the name and all the figures stay.
        EXPECT_TRUE(line.endsWith(u".exe"_s + figures)) << line.toStdString();
    }
    // Too narrow for the figures: the line is cut, never wider than the terminal.
    EXPECT_EQ(ProgressBarLine(snapshot, 40).size(), 40);
}

// Collects what the progress writes and drives its clock.
struct Screen {
    QByteArray text;
    double clock = 0;
    TerminalProgress progress(bool terminal) {
        return TerminalProgress(
            terminal, [this](const QByteArray& bytes) { text += bytes; }, 120,
            [this] { return clock; });
    }
};

TEST(TerminalProgress, PlainLinesWhenNotOnATerminal) {
    Screen screen;
    TerminalProgress view = screen.progress(false);
    // What the engine does for a file that breaks once, then one that is not found.
    view.beginFile(1, 2, u"http://h/a.gif"_s, u"/d/a.gif"_s);
    view.open();
    view.setStatusText(u"Getting file information..."_s);
    view.setStatusText(u"Saving:"_s);
    view.progressReset(6000);
    view.progressUpdate(Snapshot(3000, 6000, 1, u"a.gif"_s, 1, 2));
    view.setStatusText(u"Resuming download..."_s);
    view.progressReset(6000);
    view.progressUpdate(Snapshot(6000, 6000, 2, u"a.gif"_s, 1, 2));
    view.setStatusText(u"Download completed!"_s);
    view.close();
    view.endFile(true, {});
    view.beginFile(2, 2, u"http://h/b.exe"_s, u"/d/b.exe"_s);
    view.open();
    view.setStatusText(u"Getting file information..."_s);
    view.close();
    view.endFile(false, u"File was not found."_s);
    view.note(u"done"_s);
    EXPECT_EQ(screen.text.toStdString(),
              "[1/2] http://h/a.gif -> /d/a.gif\n"
              "[1/2] Resuming download...\n"
              "[1/2] a.gif completed (6 KB)\n"
              "[2/2] http://h/b.exe -> /d/b.exe\n"
              "[2/2] b.exe failed: File was not found.\n"
              "done\n");
}

TEST(TerminalProgress, BarIsRedrawnAtMostTenTimesASecond) {
    test::LocaleGuard locale(test::EnglishUS());
    Screen screen;
    TerminalProgress view = screen.progress(true);
    view.beginFile(1, 1, u"http://h/c.bin"_s, u"/d/c.bin"_s);
    view.open();
    view.progressReset(100000);
    EXPECT_EQ(screen.text.count('\r'), 1);  // the empty bar at once
    EXPECT_TRUE(screen.text.contains("[1/1] c.bin   0% ["));

    // 1000 updates over one second.
    for (int i = 1; i <= 1000; ++i) {
        screen.clock = i / 1000.0;
        view.progressUpdate(Snapshot(i * 100, 100000, screen.clock, u"c.bin"_s, 1, 1));
    }
    const qsizetype draws = screen.text.count('\r');
    EXPECT_GE(draws, 10);
    EXPECT_LE(draws, 12);
    EXPECT_FALSE(screen.text.contains('\n'));

    view.setStatusText(u"Download completed!"_s);
    view.close();
    view.endFile(true, {});
    // The last figures are drawn before the line ends, and the line ends once.
    EXPECT_TRUE(
        screen.text.endsWith("100% [####################] 98 KB of 98 KB  97.7 KB/Sec  "
                             "0 sec\x1b[K\n"))
        << screen.text.toStdString();
    EXPECT_EQ(screen.text.count('\n'), 1);
}

}  // namespace
}  // namespace pg::cli
