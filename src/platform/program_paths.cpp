#include "platform/program_paths.h"

#include "program_layout.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

namespace pg {

namespace {

QString DataFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           u"/Pagegleaner"_s;
}

// A folder given relative to the executable's folder.
QString BesideProgram(const char* relative) {
    return QDir::cleanPath(QCoreApplication::applicationDirPath() + u'/' +
                           QString::fromUtf8(relative));
}

}  // namespace

QString SettingsFilePath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           u"/Pagegleaner/Pagegleaner.conf"_s;
}

QString HistoryFilePath() {
    return DataFolder() + u"/urls.txt"_s;
}

QString ErrorLogPath() {
    return DataFolder() + u"/error.log"_s;
}

QString DataFilePath(const QString& name) {
    // Installed (any prefix) the file lies in share/pagegleaner; a build tree
    // also has it beside the executable. No fixed path is tried: a copy
    // installed elsewhere must not pick up another installation's files.
    const QString candidates[] = {
        BesideProgram(PG_DATA_DIR_FROM_BIN) + u'/' + name,
        QCoreApplication::applicationDirPath() + u'/' + name,
    };
    for (const QString& path : candidates) {
        if (QFileInfo::exists(path)) {
            return QFileInfo(path).canonicalFilePath();
        }
    }
    return candidates[0];
}

QStringList AppIconFiles() {
    const QString hicolor = BesideProgram(PG_ICON_DIR_FROM_BIN);
    QStringList files;
    for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
        const QString path =
            u"%1/%2x%2/apps/%3.png"_s.arg(hicolor).arg(size).arg(QLatin1StringView(PG_APP_ID));
        if (QFileInfo::exists(path)) {
            files.append(path);
        }
    }
    return files;
}

}  // namespace pg
