#pragma once

#include <QString>
#include <QtGlobal>

namespace pg {

// Program-wide transfer flags, shared by the engine, the progress window and the batch.
struct DownloadFlags {
    bool CancelThis = false;     // stop the current file
    bool CancelAll = false;      // stop the batch after the current file
    bool DownloadError = false;  // a failure was logged in the current batch
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

// The engine's view of the progress window. The window may show only the latest
// values it was given; it must never slow the transfer down.
class ProgressView {
public:
    virtual ~ProgressView() = default;
    // Opening for a file: empty value labels, start the animation, show the window.
    virtual void open() = 0;
    virtual void setStatusText(const QString& text) = 0;
    virtual void setSourceAndTarget(const QString& urlName, const QString& host,
                                    const QString& targetPath) = 0;
    // Bar value 0 and maximum total (-1: unknown length, the bar shows activity).
    virtual void progressReset(qint64 total) = 0;
    virtual void progressUpdate(const ProgressSnapshot& snapshot) = 0;
    // Stops the animation and closes the window (the engine has set CancelThis first).
    virtual void close() = 0;
};

}  // namespace pg
