#pragma once

#include "download/progress_view.h"

#include <QTimer>
#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;

namespace pg {

class TransferAnimation;

// The per-file progress window: what is fetched, where it goes, how far it is, the
// rate and the time left, and two buttons that stop this file or the whole batch.
// The buttons and Escape only set the flags; the engine notices them and closes
// the window. The user cannot close it otherwise while CancelThis is clear.
class frmDownload : public QWidget, public ProgressView {
    Q_OBJECT

public:
    explicit frmDownload(DownloadFlags& flags, QWidget* parent = nullptr);

    void open() override;
    void setStatusText(const QString& text) override;
    void setSourceAndTarget(const QString& urlName, const QString& host,
                            const QString& targetPath) override;
    void progressReset(qint64 total) override;
    // Keeps the snapshot; the texts follow at most every kRefreshMs (the first
    // update after open() or progressReset() at once).
    void progressUpdate(const ProgressSnapshot& snapshot) override;
    void close() override;

    // Shows the latest snapshot now instead of at the next refresh tick.
    void refreshNow();

    static constexpr int kRefreshMs = 100;

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void createControls();
    void layoutControls();
    void cancel(bool all);

    DownloadFlags& m_flags;
    TransferAnimation* m_animation = nullptr;
    QLabel* m_statusLabel = nullptr;
    QLabel* m_sourceLabel = nullptr;
    QProgressBar* m_progressBar = nullptr;
    QLabel* m_estimatedTimeLeft = nullptr;
    QLabel* m_timeLabel = nullptr;
    QLabel* m_downloadTo = nullptr;
    QLabel* m_toLabel = nullptr;
    QLabel* m_transferRate = nullptr;
    QLabel* m_rateLabel = nullptr;
    QPushButton* m_cancelButton = nullptr;
    QPushButton* m_command1 = nullptr;

    QTimer m_refreshTimer;
    ProgressSnapshot m_latest;
    bool m_pending = false;  // m_latest is not shown yet
    bool m_shownOnce = false;
};

}  // namespace pg
