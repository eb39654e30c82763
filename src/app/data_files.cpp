#include "app/data_files.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace pg {

QString DataFilePath(const QString& name) {
    const QString exeDir = QCoreApplication::applicationDirPath();
    const QString candidates[] = {
        exeDir + QLatin1Char('/') + name,
        exeDir + QStringLiteral("/../share/pagegleaner/") + name,
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
