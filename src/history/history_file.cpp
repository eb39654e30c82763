#include "history/history_file.h"

#include "history/url_history.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace pg {

namespace {

// The history holds passwords.
constexpr QFileDevice::Permissions kOwnerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

// Makes sure the file at `path` exists with owner-only permissions before
// QSaveFile opens it: QSaveFile gives its temporary file the permissions of an
// existing target, while for a new target it would use 0666 minus the umask.
// Sets `created` when the file had to be made.
bool PrepareTarget(const QString& path, bool& created) {
    created = false;
    const QFileInfo info(path);
    if (info.exists()) {
        // Failure is tolerated here (a file owned by someone else); the
        // temporary file's own permissions are set again after opening it.
        return info.isFile() && (QFile::setPermissions(path, kOwnerOnly) || info.isWritable());
    }
    if (!QDir().mkpath(info.absolutePath())) {
        return false;
    }
    QFile placeholder(path);
    if (!placeholder.open(QIODevice::WriteOnly | QIODevice::NewOnly, kOwnerOnly)) {
        return false;
    }
    created = true;
    return true;
}

QByteArray HistoryText(const UrlHistory& history, const QString& limitText) {
    const int lines = std::min(history.count(), HistoryLimit(limitText).value_or(history.count()));
    QByteArray text;
    for (int i = 0; i < lines; ++i) {
        text += history.recordText(i).toUtf8();
        text += "\r\n";
    }
    return text;
}

}  // namespace

bool ReadHistoryFile(const QString& path, UrlHistory& history) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return false;
    }
    while (!file.atEnd()) {
        QByteArray line = file.readLine();
        if (line.isEmpty()) {
            break;  // read error: keep what was read so far
        }
        if (line.endsWith('\n')) {
            line.chop(1);
        }
        if (line.endsWith('\r')) {
            line.chop(1);
        }
        // Invalid UTF-8 becomes U+FFFD.
        const QString text = QString::fromUtf8(line);
        const qsizetype bar = text.indexOf(u'|');
        if (bar >= 0) {
            history.append(text.left(bar), text.mid(bar));
        }
    }
    return true;
}

std::optional<int> HistoryLimit(const QString& limitText) {
    bool ok = false;
    const short limit = limitText.toShort(&ok);
    if (!ok || limit <= 0) {
        return std::nullopt;
    }
    return limit;
}

bool WriteHistoryFile(const QString& path, const UrlHistory& history, const QString& limitText) {
    bool created = false;
    if (!PrepareTarget(path, created)) {
        return false;
    }
    const QByteArray text = HistoryText(history, limitText);
    QSaveFile file(path);
    bool ok = file.open(QIODevice::WriteOnly) && file.setPermissions(kOwnerOnly) &&
              file.write(text) == text.size() && file.flush() && file.commit();
    if (!ok) {
        file.cancelWriting();
        if (created) {
            QFile::remove(path);
        }
    }
    return ok;
}

}  // namespace pg
