#include "download/frmDownload.h"

#include "download/locale_guard.h"
#include "download/qstring_printer.h"
#include "download/transfer_animation.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

using namespace Qt::StringLiterals;

namespace pg {
namespace {

constexpr qint64 kGiB = 1073741824;

ProgressSnapshot Snapshot(qint64 received, qint64 total, double elapsed) {
    ProgressSnapshot s;
    s.received = received;
    s.total = total;
    s.elapsed = elapsed;
    s.targetName = u"setup.exe"_s;
    s.itemNumber = 3;
    s.itemCount = 10;
    return s;
}

// Captions fit their labels and end a space before the value column; every label
// is as tall as its font; buttons get at least their preferred size.
void ExpectNothingClipped(const frmDownload& window) {
    const int valueColumn = window.findChild<QWidget*>(u"TimeLabel"_s)->x();
    for (const QString& name : {u"EstimatedTimeLeft"_s, u"DownloadTo"_s, u"TransferRate"_s}) {
        const QLabel* label = window.findChild<QLabel*>(name);
        const QFontMetrics metrics = label->fontMetrics();
        EXPECT_LE(metrics.horizontalAdvance(label->text()), label->contentsRect().width())
            << name.toStdString();
        EXPECT_LE(label->x() + metrics.horizontalAdvance(label->text() + u' '), valueColumn)
            << name.toStdString();
    }
    for (const QLabel* label : window.findChildren<QLabel*>()) {
        EXPECT_LE(label->fontMetrics().height(), label->height())
            << label->objectName().toStdString();
    }
    for (const QPushButton* button : window.findChildren<QPushButton*>()) {
        EXPECT_GE(button->width(), button->sizeHint().width())
            << button->objectName().toStdString();
        EXPECT_GE(button->height(), button->sizeHint().height())
            << button->objectName().toStdString();
    }
}

class FrmDownloadTest : public ::testing::Test {
protected:
    template <typename T>
    T* child(const QString& name) {
        T* widget = window.findChild<T*>(name);
        EXPECT_NE(widget, nullptr) << name.toStdString();
        return widget;
    }
    QString text(const QString& label) { return child<QLabel>(label)->text(); }
    TransferAnimation* animation() { return child<TransferAnimation>(u"Animation1"_s); }
    QProgressBar* bar() { return child<QProgressBar>(u"ProgressBar"_s); }

    test::LocaleGuard locale{test::EnglishUS()};
    DownloadFlags flags;
    frmDownload window{flags};
};

TEST_F(FrmDownloadTest, FixedFrameWithoutClippedCaptions) {
    EXPECT_EQ(window.minimumSize(), window.maximumSize());
    EXPECT_FALSE(window.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    ExpectNothingClipped(window);
}

TEST_F(FrmDownloadTest, OpenEmptiesValuesStartsAnimationAndShows) {
    window.open();
    for (const QString& name : {u"SourceLabel"_s, u"TimeLabel"_s, u"ToLabel"_s, u"RateLabel"_s}) {
        EXPECT_TRUE(text(name).isEmpty()) << name.toStdString();
    }
    EXPECT_TRUE(animation()->isRunning());
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.windowModality(), Qt::NonModal);
    EXPECT_EQ(window.windowTitle(), u"Pagegleaner"_s);
    const QPoint screenCentre = QGuiApplication::primaryScreen()->availableGeometry().center();
    EXPECT_LE((window.geometry().center() - screenCentre).manhattanLength(), 2);

    window.setStatusText(u"Saving:"_s);
    EXPECT_EQ(text(u"StatusLabel"_s), u"Saving:"_s);
}

struct CancelCase {
    const char* name;
    std::function<void(frmDownload&)> act;
    bool cancelAll;
    friend void PrintTo(const CancelCase& c, std::ostream* os) { *os << c.name; }
};

class FrmDownloadCancelTest : public FrmDownloadTest,
                              public ::testing::WithParamInterface<CancelCase> {};

TEST_P(FrmDownloadCancelTest, SetsFlagsAndShowsCancelling) {
    window.open();
    window.setStatusText(u"Saving:"_s);
    GetParam().act(window);
    EXPECT_TRUE(flags.CancelThis);
    EXPECT_EQ(flags.CancelAll, GetParam().cancelAll);
    EXPECT_FALSE(flags.DownloadError);
    EXPECT_EQ(text(u"StatusLabel"_s), u"Cancelling..."_s);
    EXPECT_FALSE(animation()->isRunning());
}

QWidget* Named(frmDownload& w, const QString& name) {
    return w.findChild<QWidget*>(name);
}

INSTANTIATE_TEST_SUITE_P(
    Table, FrmDownloadCancelTest,
    ::testing::Values(
        CancelCase{
            "CancelButtonClick",
            [](frmDownload& w) { QTest::mouseClick(Named(w, u"CancelButton"_s), Qt::LeftButton); },
            false},
        CancelCase{
            "Command1Click",
            [](frmDownload& w) { QTest::mouseClick(Named(w, u"Command1"_s), Qt::LeftButton); },
            true},
        CancelCase{"EscapeOnWindow", [](frmDownload& w) { QTest::keyClick(&w, Qt::Key_Escape); },
                   false},
        CancelCase{"EscapeOnCommand1",
                   [](frmDownload& w) { QTest::keyClick(Named(w, u"Command1"_s), Qt::Key_Escape); },
                   false}),
    [](const ::testing::TestParamInfo<CancelCase>& p) { return std::string(p.param.name); });

TEST_F(FrmDownloadTest, UserCloseIsRefusedUntilCancelThis) {
    window.open();
    EXPECT_FALSE(static_cast<QWidget&>(window).close());
    EXPECT_TRUE(window.isVisible());
    ASSERT_NE(window.windowHandle(), nullptr);
    EXPECT_FALSE(window.windowHandle()->close());  // the frame's close button
    EXPECT_TRUE(window.isVisible());

    flags.CancelThis = true;
    EXPECT_TRUE(static_cast<QWidget&>(window).close());
    EXPECT_FALSE(window.isVisible());
}

TEST_F(FrmDownloadTest, SourceAndTargetAreShortenedToTheirLabels) {
    window.open();
    window.setSourceAndTarget(u"setup.exe"_s, u"example.com"_s, u"/home/u/dl/setup.exe"_s);
    EXPECT_EQ(text(u"SourceLabel"_s), u"setup.exe from example.com"_s);
    EXPECT_EQ(text(u"ToLabel"_s), u"/home/u/dl/setup.exe"_s);

    const QString longPath = u"/home/user/"_s + QString(300, u'x') + u"/holiday-photo.jpg"_s;
    window.setSourceAndTarget(u"holiday-photo.jpg"_s, u"pictures.example.com"_s, longPath);
    const QLabel* to = child<QLabel>(u"ToLabel"_s);
    const QString shown = to->text();
    EXPECT_TRUE(shown.startsWith(u"/home/user/"_s)) << shown.toStdString();
    EXPECT_TRUE(shown.endsWith(u"/holiday-photo.jpg"_s)) << shown.toStdString();
    EXPECT_TRUE(shown.contains(u"..."_s));
    EXPECT_LE(to->fontMetrics().horizontalAdvance(shown), to->contentsRect().width());
}

TEST_F(FrmDownloadTest, UpdatesShowTheLatestSnapshotAtMostPerTick) {
    window.open();
    window.progressReset(1048576);
    EXPECT_EQ(bar()->value(), 0);
    EXPECT_EQ(bar()->maximum(), 1048576);

    // The first update shows at once.
    window.progressUpdate(Snapshot(0, 1048576, 1));
    EXPECT_EQ(window.windowTitle(), u"0% of setup.exe completed - 3 of 10"_s);
    EXPECT_EQ(text(u"TimeLabel"_s), u"Unknown (0 bytes of 1.0 MB copied)"_s);
    EXPECT_EQ(text(u"RateLabel"_s), QString());

    // Later ones wait for the refresh tick; only the last of them is shown.
    for (qint64 received = 4096; received < 471859; received += 4096) {
        window.progressUpdate(Snapshot(received, 1048576, 1 + received / 47186.0));
    }
    window.progressUpdate(Snapshot(471859, 1048576, 11));
    EXPECT_EQ(window.windowTitle(), u"0% of setup.exe completed - 3 of 10"_s);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return window.windowTitle() == u"45% of setup.exe completed - 3 of 10"_s; }, 10000));
    EXPECT_EQ(text(u"TimeLabel"_s), u"13 sec (461 KB of 1.0 MB copied)"_s);
    EXPECT_EQ(text(u"RateLabel"_s), u"41.9 KB/Sec"_s);
    EXPECT_EQ(bar()->value(), 471859);

    window.progressUpdate(Snapshot(1048576, 1048576, 20));
    window.refreshNow();
    EXPECT_EQ(window.windowTitle(), u"100% of setup.exe completed - 3 of 10"_s);
    EXPECT_EQ(bar()->value(), 1048576);
}

TEST_F(FrmDownloadTest, ResetDropsAnUpdateNotShownYet) {
    window.open();
    window.progressReset(1000);
    window.progressUpdate(Snapshot(100, 1000, 1));
    window.progressUpdate(Snapshot(900, 1000, 2));  // waits for the tick
    window.progressReset(1000);                     // a retry starts over
    window.refreshNow();
    EXPECT_EQ(bar()->value(), 0);
    EXPECT_EQ(window.windowTitle(), u"10% of setup.exe completed - 3 of 10"_s);

    // After a reset the next update is shown at once again.
    window.progressUpdate(Snapshot(300, 1000, 3));
    EXPECT_EQ(window.windowTitle(), u"30% of setup.exe completed - 3 of 10"_s);
}

}  // namespace
}  // namespace pg
