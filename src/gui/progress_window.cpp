#include "gui/progress_window.h"

#include "download/format.h"
#include "download/progress_text.h"
#include "gui/controls.h"
#include "gui/transfer_animation.h"
#include "gui/twips_layout.h"

#include <QCloseEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

using namespace Qt::StringLiterals;

namespace pg {

namespace {

constexpr int kClientWidth = 5520;  // twips
constexpr int kClientHeight = 3540;
constexpr int kValueColumn = 1560;  // left edge of TimeLabel, ToLabel and RateLabel

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text) {
    QLabel* label = NamedLabel(parent, name, text);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);  // rows of mixed heights line up
    return label;
}

// The label's own width measure, for ShortenLabel.
TextWidthFn MeasureFor(const QLabel* label) {
    const QFontMetrics metrics = label->fontMetrics();
    return [metrics](const QString& text) { return metrics.horizontalAdvance(text); };
}

}  // namespace

ProgressWindow::ProgressWindow(QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint) {
    setObjectName(u"frmDownload"_s);
    setWindowTitle(u"Pagegleaner"_s);
    setModal(false);
    createControls();
    layoutControls();

    refreshTimer_.setSingleShot(true);
    refreshTimer_.setInterval(kRefreshMs);
    connect(&refreshTimer_, &QTimer::timeout, this, &ProgressWindow::refreshNow);
}

void ProgressWindow::createControls() {
    animation_ = NamedControl<TransferAnimation>(this, "Animation1");
    statusLabel_ = MakeLabel(this, "StatusLabel", u"StatusLabel"_s);
    sourceLabel_ = MakeLabel(this, "SourceLabel", u"SourceLabel"_s);
    progressBar_ = NamedControl<QProgressBar>(this, "ProgressBar");
    progressBar_->setTextVisible(false);
    timeLeftCaption_ = MakeLabel(this, "EstimatedTimeLeft", u"Estimated time left:"_s);
    timeLabel_ = MakeLabel(this, "TimeLabel", u"TimeLabel"_s);
    targetCaption_ = MakeLabel(this, "DownloadTo", u"Download to:"_s);
    targetLabel_ = MakeLabel(this, "ToLabel", u"ToLabel"_s);
    rateCaption_ = MakeLabel(this, "TransferRate", u"Transfer rate:"_s);
    rateLabel_ = MakeLabel(this, "RateLabel", u"RateLabel"_s);
    cancelFileButton_ = NamedButton(this, "CancelButton", u"Cancel this download"_s);
    cancelAllButton_ = NamedButton(this, "Command1", u"Cancel all downloads"_s);
    setTabOrder(cancelFileButton_, cancelAllButton_);
    setBar(0, 1);

    connect(cancelFileButton_, &QPushButton::clicked, this, [this] { cancel(false); });
    connect(cancelAllButton_, &QPushButton::clicked, this, [this] { cancel(true); });
}

// Places the controls at their twip positions, grown as far as the font needs.
void ProgressWindow::layoutControls() {
    using Fit = TwipsLayout::Fit;
    // A caption must end a space before the value column.
    const int captionRoom = kValueColumn - 120 - 60;
    TwipsLayout layout({kClientWidth, kClientHeight});
    layout.place(animation_, 120, 0, 4695, 615, Fit::None);
    layout.place(statusLabel_, 120, 915, 5235, 195, Fit::Caption);
    layout.place(sourceLabel_, 120, 1200, 5250, 195, Fit::Caption);
    layout.place(progressBar_, 120, 1485, 5235, 225, Fit::None);
    layout.place(timeLeftCaption_, 120, 1800, 1455, 255, Fit::Caption, captionRoom);
    layout.place(timeLabel_, kValueColumn, 1800, 3765, 255, Fit::Caption);
    layout.place(targetCaption_, 120, 2100, 1575, 255, Fit::Caption, captionRoom);
    layout.place(targetLabel_, kValueColumn, 2100, 3765, 195, Fit::Caption);
    layout.place(rateCaption_, 120, 2400, 1575, 255, Fit::Caption, captionRoom);
    layout.place(rateLabel_, kValueColumn, 2400, 3765, 255, Fit::Caption);
    layout.place(cancelFileButton_, 840, 3000, 1815, 375);
    layout.place(cancelAllButton_, 3000, 3000, 1815, 375);
    setFixedSize(layout.apply());
}

void ProgressWindow::transferStarted(const TransferItem&) {
    cancel_.CancelThis = false;  // a new file: the last one's cancel is spent
    sourceLabel_->clear();
    timeLabel_->clear();
    targetLabel_->clear();
    rateLabel_->clear();
    setWindowTitle(u"Pagegleaner"_s);
    refreshTimer_.stop();
    pending_ = false;
    shownOnce_ = false;
    setBar(0, 1);  // nothing of this file yet, whatever the last file showed
    animation_->start();
    const bool wasVisible = isVisible();
    show();
    if (!wasVisible) {
        CentreOnScreen(this);
    }
}

void ProgressWindow::phaseChanged(int, TransferPhase phase) {
    statusLabel_->setText(PhaseText(phase));
}

void ProgressWindow::waitingToRetry(int, int seconds) {
    statusLabel_->setText(u"Server busy - asking again in %1"_s.arg(FormatTime(seconds)));
}

void ProgressWindow::sourceAndTarget(int, const QString& urlName, const QString& host,
                                     const QString& targetPath) {
    sourceLabel_->setText(ShortenLabel(sourceLabel_->contentsRect().width(),
                                       MeasureFor(sourceLabel_), urlName + u" from "_s + host));
    targetLabel_->setText(
        ShortenLabel(targetLabel_->contentsRect().width(), MeasureFor(targetLabel_), targetPath));
}

void ProgressWindow::progressReset(int, qint64 total) {
    // A snapshot of the previous attempt must not overwrite the fresh bar.
    refreshTimer_.stop();
    pending_ = false;
    shownOnce_ = false;
    setBar(0, total);
}

void ProgressWindow::progressUpdated(const ProgressSnapshot& snapshot) {
    latest_ = snapshot;
    pending_ = true;
    if (!shownOnce_) {
        shownOnce_ = true;
        refreshNow();
    } else if (!refreshTimer_.isActive()) {
        refreshTimer_.start();
    }
}

void ProgressWindow::refreshNow() {
    refreshTimer_.stop();
    if (!pending_) {
        return;
    }
    pending_ = false;
    const ProgressTexts texts = MakeProgressTexts(latest_);
    timeLabel_->setText(texts.timeLabel);
    rateLabel_->setText(texts.rateLabel);
    setWindowTitle(texts.title);
    setBar(latest_.received, latest_.total);
}

void ProgressWindow::setBar(qint64 received, qint64 total) {
    const ProgressBarRange range = MapProgressBar(received, total);
    if (progressBar_->maximum() != range.maximum || progressBar_->minimum() != 0) {
        progressBar_->setRange(0, range.maximum);
    }
    progressBar_->setValue(range.value);
}

void ProgressWindow::transferFinished(const TransferItem&, const TransferOutcome&) {
    refreshTimer_.stop();
    pending_ = false;
    animation_->stop();
    hide();
}

void ProgressWindow::cancel(bool all) {
    statusLabel_->setText(u"Cancelling..."_s);
    animation_->stop();
    cancel_.request(all);
}

void ProgressWindow::reject() {
    cancel(false);
}

void ProgressWindow::closeEvent(QCloseEvent* event) {
    // The window closes when its file has ended; the user stops a transfer
    // with the buttons or Escape.
    event->ignore();
}

}  // namespace pg
