#include "download/file_names.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <unistd.h>
#include <cerrno>
#include <climits>

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
        if (IsControlCharacter(c.unicode())) {
            c = u'_';
        }
    }
    return name;
}

int CheckFileNameLength(const QString& folder, const QString& name) {
    const long limit =
        ::pathconf(QFile::encodeName(NearestExistingFolder(folder)).constData(), _PC_NAME_MAX);
    const qsizetype bytes = QFile::encodeName(name).size();
    return bytes > (limit > 0 ? limit : NAME_MAX) ? ENAMETOOLONG : 0;
}

}  // namespace pg
