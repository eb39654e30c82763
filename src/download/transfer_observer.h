#pragma once

#include "download/transfer_outcome.h"

#include <QString>
#include <QtGlobal>

namespace pg {

// One file of a batch.
struct TransferItem {
    QString url;         // as listed
    QString targetPath;  // folder, "/", the URL's last segment
    int number = 1;      // 1-based among the batch's files
    int count = 1;
    // The target the URL names when an earlier file of the batch took it and
    // targetPath is a numbered name instead; empty otherwise.
    QString listedTargetPath = {};
};

// Everything a progress update shows, computed from the transfer's figures.
struct ProgressSnapshot {
    qint64 received = 0;  // bytes of the file written so far
    qint64 total = -1;    // announced file length, -1 when unknown
    double elapsed = 0;   // seconds since the engine's start clock
    QString targetName;   // file name shown in the title
    int itemNumber = 0;
    int itemCount = 0;
};

// Hears how each file of a batch goes: the progress window, or the command
// line's progress lines. Each call names the file by its item number, since
// several may run at once. An observer may show only the latest values it was
// given; it must never slow the transfer down.
class TransferObserver {
public:
    virtual ~TransferObserver() = default;
    // A file starts: empty value labels, a fresh bar, the animation, the window shown.
    virtual void transferStarted(const TransferItem& item) = 0;
    virtual void phaseChanged(int itemNumber, TransferPhase phase) = 0;
    // The first answer came: what is fetched from where, and where it goes.
    virtual void sourceAndTarget(int itemNumber, const QString& urlName, const QString& host,
                                 const QString& targetPath) = 0;
    // Bar value 0 and maximum total (-1: unknown length, the bar shows activity).
    virtual void progressReset(int itemNumber, qint64 total) = 0;
    virtual void progressUpdated(const ProgressSnapshot& snapshot) = 0;
    // A busy server asked to be asked again in `seconds`.
    virtual void waitingToRetry(int itemNumber, int seconds) { (void)itemNumber, (void)seconds; }
    // The file has ended; the window closes.
    virtual void transferFinished(const TransferItem& item, const TransferOutcome& outcome) = 0;
};

}  // namespace pg
