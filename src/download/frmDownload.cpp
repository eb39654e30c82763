#include "download/frmDownload.h"

#include "app/controls.h"
#include "app/twips_layout.h"

#include "download/format.h"
#include "download/progress_text.h"
#include "download/transfer_animation.h"

#include <QCloseEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include <algorithm>
#include <cmath>

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

frmDownload::frmDownload(DownloadFlags& flags, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      m_flags(flags) {
    setObjectName(u"frmDownload"_s);
    setWindowTitle(u"Pagegleaner"_s);
    createControls();
    layoutControls();

    m_refreshTimer.setSingleShot(true);
    m_refreshTimer.setInterval(kRefreshMs);
    connect(&m_refreshTimer, &QTimer::timeout, this, &frmDownload::refreshNow);
}

void frmDownload::createControls() {
    m_animation = new TransferAnimation(this);
    m_animation->setObjectName(u"Animation1"_s);
    m_statusLabel = MakeLabel(this, "StatusLabel", u"StatusLabel"_s);
    m_sourceLabel = MakeLabel(this, "SourceLabel", u"SourceLabel"_s);
    m_progressBar = new QProgressBar(this);
    m_progressBar->setObjectName(u"ProgressBar"_s);
    m_progressBar->setTextVisible(false);
    m_progressBar->setRange(0, 100);
    m_progressBar->setValue(0);
    m_estimatedTimeLeft = MakeLabel(this, "EstimatedTimeLeft", u"Estimated time left:"_s);
    m_timeLabel = MakeLabel(this, "TimeLabel", u"TimeLabel"_s);
    m_downloadTo = MakeLabel(this, "DownloadTo", u"Download to:"_s);
    m_toLabel = MakeLabel(this, "ToLabel", u"ToLabel"_s);
    m_transferRate = MakeLabel(this, "TransferRate", u"Transfer rate:"_s);
    m_rateLabel = MakeLabel(this, "RateLabel", u"RateLabel"_s);
    m_cancelButton = NamedButton(this, "CancelButton", u"Cancel this download"_s);
    m_command1 = NamedButton(this, "Command1", u"Cancel all downloads"_s);
    setTabOrder(m_cancelButton, m_command1);

    connect(m_cancelButton, &QPushButton::clicked, this, [this] { cancel(false); });
    connect(m_command1, &QPushButton::clicked, this, [this] { cancel(true); });
}

// Places the controls at their twip positions, grown as far as the font needs.
void frmDownload::layoutControls() {
    using Fit = TwipsLayout::Fit;
    // A caption must end a space before the value column.
    const int captionRoom = kValueColumn - 120 - 60;
    TwipsLayout layout({kClientWidth, kClientHeight});
    layout.place(m_animation, 120, 0, 4695, 615, Fit::None);
    layout.place(m_statusLabel, 120, 915, 5235, 195, Fit::Caption);
    layout.place(m_sourceLabel, 120, 1200, 5250, 195, Fit::Caption);
    layout.place(m_progressBar, 120, 1485, 5235, 225, Fit::None);
    layout.place(m_estimatedTimeLeft, 120, 1800, 1455, 255, Fit::Caption, captionRoom);
    layout.place(m_timeLabel, kValueColumn, 1800, 3765, 255, Fit::Caption);
    layout.place(m_downloadTo, 120, 2100, 1575, 255, Fit::Caption, captionRoom);
    layout.place(m_toLabel, kValueColumn, 2100, 3765, 195, Fit::Caption);
    layout.place(m_transferRate, 120, 2400, 1575, 255, Fit::Caption, captionRoom);
    layout.place(m_rateLabel, kValueColumn, 2400, 3765, 255, Fit::Caption);
    layout.place(m_cancelButton, 840, 3000, 1815, 375);
    layout.place(m_command1, 3000, 3000, 1815, 375);
    setFixedSize(layout.apply());
}

void frmDownload::open() {
    m_sourceLabel->clear();
    m_timeLabel->clear();
    m_toLabel->clear();
    m_rateLabel->clear();
    setWindowTitle(u"Pagegleaner"_s);
    m_refreshTimer.stop();
    m_pending = false;
    m_shownOnce = false;
    m_animation->start();
    const bool wasVisible = isVisible();
    show();
    if (!wasVisible) {
        CentreOnScreen(this);
    }
}

void frmDownload::setStatusText(const QString& text) {
    m_statusLabel->setText(text);
}

void frmDownload::setSourceAndTarget(const QString& urlName, const QString& host,
                                     const QString& targetPath) {
    m_sourceLabel->setText(ShortenLabel(m_sourceLabel->contentsRect().width(),
                                        MeasureFor(m_sourceLabel), urlName + u" from "_s + host));
    m_toLabel->setText(
        ShortenLabel(m_toLabel->contentsRect().width(), MeasureFor(m_toLabel), targetPath));
}

void frmDownload::progressReset(qint64 total) {
    // A snapshot of the previous attempt must not overwrite the fresh bar.
    m_refreshTimer.stop();
    m_pending = false;
    m_shownOnce = false;
    const ProgressBarRange range = MapProgressBar(0, total);
    m_progressBar->setRange(0, range.maximum);
    m_progressBar->setValue(range.value);
}

void frmDownload::progressUpdate(const ProgressSnapshot& snapshot) {
    m_latest = snapshot;
    m_pending = true;
    if (!m_shownOnce) {
        m_shownOnce = true;
        refreshNow();
    } else if (!m_refreshTimer.isActive()) {
        m_refreshTimer.start();
    }
}

void frmDownload::refreshNow() {
    m_refreshTimer.stop();
    if (!m_pending) {
        return;
    }
    m_pending = false;
    const ProgressTexts texts = MakeProgressTexts(m_latest);
    m_timeLabel->setText(texts.timeLabel);
    m_rateLabel->setText(texts.rateLabel);
    setWindowTitle(texts.title);
    const ProgressBarRange range = MapProgressBar(m_latest.received, m_latest.total);
    if (m_progressBar->maximum() != range.maximum || m_progressBar->minimum() != 0) {
        m_progressBar->setRange(0, range.maximum);
    }
    m_progressBar->setValue(range.value);
}

void frmDownload::close() {
    m_refreshTimer.stop();
    m_pending = false;
    m_animation->stop();
    // The engine's close is not a user's request: it is never refused.
    hide();
}

void frmDownload::cancel(bool all) {
    m_statusLabel->setText(u"Cancelling..."_s);
    m_animation->stop();
    m_flags.CancelThis = true;
    if (all) {
        m_flags.CancelAll = true;
    }
}

void frmDownload::closeEvent(QCloseEvent* event) {
    if (m_flags.CancelThis) {
        event->accept();
    } else {
        event->ignore();
    }
}

void frmDownload::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        cancel(false);
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

}  // namespace pg
