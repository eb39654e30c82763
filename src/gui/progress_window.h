#pragma once

#include "download/cancel_request.h"
#include "download/transfer_observer.h"

#include <QDialog>
#include <QTimer>

class QLabel;
class QProgressBar;
class QPushButton;

namespace pg {

class TransferAnimation;

// The per-file progress window: what is fetched, where it goes, how far it is,
// the rate and the time left, and two buttons that stop this file or the whole
// batch. The buttons and Escape only raise the cancel request; the transfer
// notices it and ends, and the window closes when the file has ended. The user
// cannot close it otherwise.
class ProgressWindow : public QDialog, public TransferObserver {
    Q_OBJECT

public:
    explicit ProgressWindow(QWidget* parent = nullptr);

    // What the buttons ask for; the batch listens to it.
    CancelRequest& cancelRequest() { return cancel_; }
    // Stops the current file and the batch, as "Cancel all downloads" does.
    void cancelAll() { cancel(true); }

    void transferStarted(const TransferItem& item) override;
    void phaseChanged(int itemNumber, TransferPhase phase) override;
    void sourceAndTarget(int itemNumber, const QString& urlName, const QString& host,
                         const QString& targetPath) override;
    void progressReset(int itemNumber, qint64 total) override;
    // Keeps the snapshot; the texts follow at most every kRefreshMs (the first
    // update after a reset at once).
    void progressUpdated(const ProgressSnapshot& snapshot) override;
    void waitingToRetry(int itemNumber, int seconds) override;
    void transferFinished(const TransferItem& item, const TransferOutcome& outcome) override;

    static constexpr int kRefreshMs = 100;

public Q_SLOTS:
    // Escape: the same as "Cancel this download".
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void createControls();
    void layoutControls();
    void cancel(bool all);
    void setBar(qint64 received, qint64 total);
    void refreshNow();

    CancelRequest cancel_;
    TransferAnimation* animation_ = nullptr;
    QLabel* statusLabel_ = nullptr;
    QLabel* sourceLabel_ = nullptr;
    QProgressBar* progressBar_ = nullptr;
    QLabel* timeLeftCaption_ = nullptr;
    QLabel* timeLabel_ = nullptr;
    QLabel* targetCaption_ = nullptr;
    QLabel* targetLabel_ = nullptr;
    QLabel* rateCaption_ = nullptr;
    QLabel* rateLabel_ = nullptr;
    QPushButton* cancelFileButton_ = nullptr;
    QPushButton* cancelAllButton_ = nullptr;

    QTimer refreshTimer_;
    ProgressSnapshot latest_;
    bool pending_ = false;  // latest_ is not shown yet
    bool shownOnce_ = false;
};

}  // namespace pg
