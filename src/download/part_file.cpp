#include "download/part_file.h"

#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>

namespace pg {

namespace {

mode_t CurrentUmask() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

}  // namespace

QString SystemErrorMessage(int errorNumber) {
    return QStringLiteral("Error %1 : %2")
        .arg(errorNumber)
        .arg(QString::fromLocal8Bit(std::strerror(errorNumber)));
}

PartFile::~PartFile() {
    close();
}

int PartFile::open(bool fresh) {
    close();
    if (!path_.isEmpty() && QFileInfo::exists(path_)) {
        const QByteArray native = QFile::encodeName(path_);
        fd_ = ::open(native.constData(), O_WRONLY | O_CLOEXEC | (fresh ? O_TRUNC : 0));
        return fd_ < 0 ? errno : 0;
    }
    const QFileInfo target(target_);
    if (target_.endsWith(QLatin1Char('/')) || target.fileName().isEmpty() || target.isDir()) {
        return EISDIR;  // a URL ending in "/" names no file
    }
    // A short, hidden, unique name beside the target keeps the rename atomic.
    QByteArray pattern =
        QFile::encodeName(target.absolutePath() + QStringLiteral("/.") +
                          target.fileName().left(64) + QStringLiteral(".XXXXXX.pgpart"));
    fd_ = ::mkostemps(pattern.data(), 7, O_CLOEXEC);
    if (fd_ < 0) {
        return errno;
    }
    ::fchmod(fd_, 0666 & ~CurrentUmask());  // the mode a plainly created file gets
    path_ = QFile::decodeName(pattern);
    return 0;
}

int PartFile::write(const char* data, qint64 size, qint64 offset) {
    while (size > 0) {
        const ssize_t n = ::pwrite(fd_, data, static_cast<size_t>(size), offset);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        data += n;
        size -= n;
        offset += n;
    }
    return 0;
}

int PartFile::commit(qint64 size) {
    const QByteArray from = QFile::encodeName(path_);
    if (fd_ >= 0) {
        const int truncated = ::ftruncate(fd_, size);
        const int closed = ::close(fd_);
        fd_ = -1;
        if (truncated != 0 || closed != 0) {
            return errno;
        }
    } else if (::truncate(from.constData(), size) != 0) {
        return errno;
    }
    const QByteArray to = QFile::encodeName(target_);
    if (::rename(from.constData(), to.constData()) != 0) {
        return errno;
    }
    path_.clear();
    return 0;
}

void PartFile::close() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

void PartFile::discard() {
    close();
    if (!path_.isEmpty()) {
        ::unlink(QFile::encodeName(path_).constData());
        path_.clear();
    }
}

bool PartFile::exists() const {
    return !path_.isEmpty() && QFileInfo::exists(path_);
}

}  // namespace pg
