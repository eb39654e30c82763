#pragma once

#include "download/engine.h"
#include "download/error_log.h"
#include "download/progress_view.h"
#include "download/transfer_questions.h"
#include "platform/curl_transport.h"

#include <QDir>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <utility>
#include <vector>

namespace pg::test {

// Records what the engine shows.
class RecordingView : public ProgressView {
public:
    void open() override { ++opened; }
    void setStatusText(const QString& text) override {
        statusTexts.append(text);
        if (onStatus) {
            onStatus(text);
        }
    }
    void setSourceAndTarget(const QString& urlName, const QString& host,
                            const QString& targetPath) override {
        source = urlName + QStringLiteral(" from ") + host;
        target = targetPath;
    }
    void progressReset(qint64 total) override { resets.push_back(total); }
    void progressUpdate(const ProgressSnapshot& s) override {
        updates.push_back(s);
        if (onUpdate) {
            onUpdate(s);
        }
    }
    void close() override { ++closed; }

    int opened = 0;
    int closed = 0;
    QStringList statusTexts;
    QString source;
    QString target;
    std::vector<qint64> resets;
    std::vector<ProgressSnapshot> updates;
    std::function<void(const QString&)> onStatus;
    std::function<void(const ProgressSnapshot&)> onUpdate;
};

// Answers the two questions from scripts and counts them.
class ScriptedQuestions : public TransferQuestions {
public:
    bool continueWithoutResume() override {
        ++resumeAsked;
        return onResume ? onResume() : false;
    }
    bool retryIncomplete(const QString& timeLeft) override {
        ++retryAsked;
        retryTimeTexts.append(timeLeft);
        return onRetry ? onRetry() : false;
    }
    int resumeAsked = 0;
    int retryAsked = 0;
    QStringList retryTimeTexts;
    std::function<bool()> onResume;
    std::function<bool()> onRetry;
};

class MemoryLog : public ErrorLog {
public:
    void append(const QString& url, const QString& message) override { lines << url << message; }
    QStringList lines;
};

// A transfer with real libcurl and recording fakes around it.
struct EngineRig {
    CurlTransport transport;
    RecordingView view;
    ScriptedQuestions questions;
    MemoryLog log;
    DownloadFlags flags;
    DownloadContext context{transport, view, questions, log, flags, 80, 30, {}, {}};
    QTemporaryDir dir;

    QString target(const QString& name) const { return dir.path() + QLatin1Char('/') + name; }
    bool download(const QString& url, const QString& targetPath, const QString& user = {},
                  const QString& password = {}) {
        return DownloadFile(context, url, targetPath, user, password, 1, 1);
    }
    // Files left in the folder, hidden ones included.
    QStringList files() const {
        return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    }
};

}  // namespace pg::test
