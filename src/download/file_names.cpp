#include "download/file_names.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <climits>

using namespace Qt::StringLiterals;

namespace pg {

namespace {

// The folder itself, else the closest of its parents that exists.
QString NearestExistingFolder(const QString& folder) {
    QString path = QFileInfo(folder.isEmpty() ? QDir::currentPath() : folder).absoluteFilePath();
    while (!QFileInfo(path).isDir() && !QDir(path).isRoot()) {
        path = QFileInfo(path).absolutePath();
    }
    return path;
}

}  // namespace

QString SafeFileName(QString name) {
    for (QChar& c : name) {
        if (IsUnsafeCharacter(c.unicode())) {
            c = u'_';
        }
    }
    return name;
}

QString UrlForLog(const QString& url) {
    const auto unsafe = [](QChar c) { return IsUnsafeCharacter(c.unicode()); };
    if (std::none_of(url.begin(), url.end(), unsafe)) {
        return url;
    }
    QString out;
    out.reserve(url.size() + 8);
    for (const QChar c : url) {
        if (unsafe(c)) {
            out += QString::fromLatin1(QString(c).toUtf8().toPercentEncoding());
        } else {
            out += c;
        }
    }
    return out;
}

QByteArray RequestUrlBytes(const QString& url) {
    const QUrl parsed(url, QUrl::TolerantMode);
    return parsed.isValid() ? parsed.toEncoded() : url.toUtf8();
}

QString NumberedTargetPath(const QString& targetPath,
                           const std::function<bool(const QString&)>& taken) {
    const qsizetype slash = targetPath.lastIndexOf(u'/');
    const qsizetype dot = targetPath.lastIndexOf(u'.');
    // A leading dot starts a hidden name, not an extension.
    const qsizetype cut = dot > slash + 1 ? dot : targetPath.size();
    const QString stem = targetPath.left(cut);
    const QString extension = targetPath.mid(cut);
    for (int number = 2;; ++number) {
        const QString candidate = stem + u" ("_s + QString::number(number) + u')' + extension;
        if (!taken(candidate)) {
            return candidate;
        }
    }
}

int CheckFileNameLength(const QString& folder, const QString& name) {
    const long limit =
        ::pathconf(QFile::encodeName(NearestExistingFolder(folder)).constData(), _PC_NAME_MAX);
    const qsizetype bytes = QFile::encodeName(name).size();
    return bytes > (limit > 0 ? limit : NAME_MAX) ? ENAMETOOLONG : 0;
}

}  // namespace pg
