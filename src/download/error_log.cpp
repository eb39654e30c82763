#include "download/error_log.h"

#include "download/file_names.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>

namespace pg {

FileErrorLog::~FileErrorLog() {
    close();
}

int FileErrorLog::create(const QString& path) {
    close();
    QDir().mkpath(QFileInfo(path).absolutePath());
    fd_ = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC,
                 S_IRUSR | S_IWUSR);
    if (fd_ < 0) {
        return errno;
    }
    // An earlier log keeps its mode through O_TRUNC; it is empty by now. Only a
    // regular file is changed (a log sent to a device stays as it is).
    struct stat info = {};
    if (::fstat(fd_, &info) == 0 && S_ISREG(info.st_mode) && (info.st_mode & 077) != 0) {
        ::fchmod(fd_, S_IRUSR | S_IWUSR);
    }
    return 0;
}

int FileErrorLog::append(const QString& url, const QString& message) {
    if (fd_ < 0) {
        return EBADF;
    }
    const QByteArray lines = UrlForLog(url).toUtf8() + "\r\n" + message.toUtf8() + "\r\n";
    const char* data = lines.constData();
    qsizetype left = lines.size();
    while (left > 0) {
        const ssize_t n = ::write(fd_, data, static_cast<size_t>(left));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return n < 0 ? errno : EIO;
        }
        data += n;
        left -= n;
    }
    return 0;
}

int FileErrorLog::close() {
    if (fd_ < 0) {
        return 0;
    }
    const int result = ::close(fd_) == 0 ? 0 : errno;
    fd_ = -1;
    return result;
}

}  // namespace pg
