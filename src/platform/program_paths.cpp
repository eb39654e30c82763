#include "platform/program_paths.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

namespace pg {

namespace {

QString DataFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           u"/Pagegleaner"_s;
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
    const QString exeDir = QCoreApplication::applicationDirPath();
    const QString candidates[] = {
        exeDir + u'/' + name,
        exeDir + u"/../share/pagegleaner/"_s + name,
        QStringLiteral(PG_DATA_INSTALL_DIR "/") + name,
    };
    for (const QString& path : candidates) {
        if (QFileInfo::exists(path)) {
            return QFileInfo(path).canonicalFilePath();
        }
    }
    return candidates[0];
}

}  // namespace pg
