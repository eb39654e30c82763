#include "download/error_log.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace pg {

FileErrorLog::~FileErrorLog() {
    close();
}

bool FileErrorLog::create(const QString& path) {
    close();
    QDir().mkpath(QFileInfo(path).absolutePath());
    file_ = std::fopen(QFile::encodeName(path).constData(), "wb");
    return file_ != nullptr;
}

void FileErrorLog::append(const QString& url, const QString& message) {
    if (!file_) {
        return;
    }
    const QByteArray lines = url.toUtf8() + "\r\n" + message.toUtf8() + "\r\n";
    std::fwrite(lines.constData(), 1, static_cast<size_t>(lines.size()), file_);
    std::fflush(file_);
}

void FileErrorLog::close() {
    if (file_) {
        std::fclose(file_);
        file_ = nullptr;
    }
}

}  // namespace pg
