#include "download/part_file.h"

#include "download/response_headers.h"

#include <QCryptographicHash>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <map>
#include <set>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>

using namespace Qt::StringLiterals;

namespace pg {

namespace {

const QString kSuffix = QStringLiteral(".pgpart");
constexpr qsizetype kMaxNamedValidator = 100;  // bytes; longer ones are not kept
constexpr int kMaxFreeNameTries = 100;
constexpr auto kNameCoding = QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals;

// The target's name as the part file's name holds it. A long one is cut and
// told apart by a hash, so that the part file's name stays within NAME_MAX
// (255 bytes) with the URL digest, a 100-byte validator and a free-name number.
QString Stem(const QString& fileName) {
    if (QFile::encodeName(fileName).size() <= 80) {
        return fileName;
    }
    const QByteArray hash = QCryptographicHash::hash(fileName.toUtf8(), QCryptographicHash::Sha1);
    return fileName.left(10) + u'~' + QString::fromLatin1(hash.toHex().left(16));
}

QString UrlDigest(const QString& url) {
    const QByteArray hash = QCryptographicHash::hash(url.toUtf8(), QCryptographicHash::Sha256);
    return QString::fromLatin1(hash.toHex().left(16));
}

// What every part file name of one URL and target begins with: ".NAME.URLDIGEST."
QString NamePrefix(const QFileInfo& target, const QString& urlDigest) {
    return u'.' + Stem(target.fileName()) + u'.' + urlDigest + u'.';
}

QString NameCode(const QByteArray& validator) {
    return validator.size() <= kMaxNamedValidator
               ? QString::fromLatin1(validator.toBase64(kNameCoding))
               : QString();
}

// The validator a part file's name holds, when it holds one that a resume can
// send: a strong ETag or a Last-Modified date.
std::optional<QByteArray> NamedValidator(const QString& code) {
    const auto decoded = QByteArray::fromBase64Encoding(
        code.toLatin1(), kNameCoding | QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded || decoded.decoded.isEmpty() ||
        IfRangeValidator(decoded.decoded, decoded.decoded) != decoded.decoded) {
        return std::nullopt;
    }
    return decoded.decoded;
}

// The part of a part file's name after its prefix: the validator's code, and
// the number of a free name taken when the first was in use ("CODE" or
// "CODE.N"). Nothing for a name that is no part file name of ours.
std::optional<QString> CodeOfName(QStringView rest) {
    const qsizetype dot = rest.indexOf(u'.');
    if (dot >= 0) {
        const QStringView number = rest.sliced(dot + 1);
        if (number.isEmpty() ||
            !std::all_of(number.begin(), number.end(), [](QChar c) { return c.isDigit(); })) {
            return std::nullopt;
        }
    }
    return rest.first(dot < 0 ? rest.size() : dot).toString();
}

// A file that only this user can have made and that nobody else can change:
// a regular file of the user, with no other name, that neither its group nor
// others may write. Anything else at a part file's name is left alone.
bool IsOwnPartFile(const struct stat& info) {
    return S_ISREG(info.st_mode) && info.st_uid == ::geteuid() && info.st_nlink == 1 &&
           (info.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

// Opens a part file of ours for writing; -1 with errno otherwise. It is looked
// at before it is opened, so that a FIFO or a device is never opened, and the
// file opened must be the one looked at.
int OpenOwn(const QString& path) {
    const QByteArray native = QFile::encodeName(path);
    struct stat seen = {};
    if (::lstat(native.constData(), &seen) != 0) {
        return -1;
    }
    if (!IsOwnPartFile(seen)) {
        errno = EPERM;
        return -1;
    }
    const int fd =
        ::open(native.constData(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
    struct stat opened = {};
    if (fd >= 0 && (::fstat(fd, &opened) != 0 || !IsOwnPartFile(opened) ||
                    opened.st_dev != seen.st_dev || opened.st_ino != seen.st_ino)) {
        ::close(fd);
        errno = EPERM;
        return -1;
    }
    return fd;
}

// The process's umask. umask(2) can only read it by setting it, which would
// race with other threads that create files.
mode_t CurrentUmask() {
    constexpr mode_t kUsual = 022;
    const int fd = ::open("/proc/self/status", O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return kUsual;
    }
    char buffer[4096];
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    ::close(fd);
    const QByteArrayView status(buffer, std::max<ssize_t>(n, 0));
    const qsizetype at = status.indexOf("\nUmask:");
    if (at < 0) {
        return kUsual;
    }
    bool ok = false;
    const qsizetype end = status.indexOf('\n', at + 1);
    const mode_t mask =
        status.sliced(at + 8, (end < 0 ? status.size() : end) - at - 8).trimmed().toUInt(&ok, 8);
    return ok ? mask & 0777 : kUsual;
}

// The part files of each folder this process has looked into. A batch of many
// files into one folder would otherwise read the whole folder for every file:
// the list is read again only when the folder changed since this process last
// saw it, and this process's own changes are applied to it directly.
struct PartFolder {
    timespec changed = {};
    std::set<QString> names;
};

timespec FolderChanged(const QString& folder) {
    struct stat info = {};
    if (::stat(QFile::encodeName(folder).constData(), &info) != 0) {
        return {};
    }
    return info.st_mtim;
}

bool operator==(const timespec& a, const timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

std::map<QString, PartFolder>& PartFolders() {
    static std::map<QString, PartFolder> folders;
    return folders;
}

std::set<QString>& PartFileNames(const QString& folder) {
    PartFolder& known = PartFolders()[folder];
    const timespec changed = FolderChanged(folder);
    if (!(changed == known.changed) || changed == timespec{}) {
        known.changed = changed;
        known.names.clear();
        QDirIterator entries(folder, {u'*' + kSuffix}, QDir::Files | QDir::Hidden | QDir::System);
        while (entries.hasNext()) {
            entries.next();
            known.names.insert(entries.fileName());
        }
    }
    return known.names;
}

// After this process added (or removed) a part file of the folder.
void Noted(const QString& path, bool added) {
    const QFileInfo info(path);
    PartFolder& known = PartFolders()[info.absolutePath()];
    if (added) {
        known.names.insert(info.fileName());
    } else {
        known.names.erase(info.fileName());
    }
    known.changed = FolderChanged(info.absolutePath());
}

}  // namespace

PartFile::PartFile(QString targetPath, const QString& url)
    : target_(std::move(targetPath)), urlDigest_(UrlDigest(url)) {}

PartFile::~PartFile() {
    close();
}

QString PartFilePath(const QString& targetPath, const QString& url, const QByteArray& validator) {
    const QFileInfo target(targetPath);
    return target.absolutePath() + u'/' + NamePrefix(target, UrlDigest(url)) + NameCode(validator) +
           kSuffix;
}

std::optional<PartFile::Leftover> PartFile::takeLeftover() {
    const QFileInfo target(target_);
    if (target.fileName().isEmpty()) {
        return std::nullopt;
    }
    const QString folder = target.absolutePath();
    const QString prefix = NamePrefix(target, urlDigest_);
    std::set<QString>& names = PartFileNames(folder);
    std::optional<Leftover> taken;
    for (auto it = names.lower_bound(prefix); it != names.end() && it->startsWith(prefix);) {
        const QString& name = *it;
        const std::optional<QString> code =
            name.size() >= prefix.size() + kSuffix.size()
                ? CodeOfName(QStringView(name).sliced(prefix.size()).chopped(kSuffix.size()))
                : std::nullopt;
        const QString path = folder + u'/' + name;
        const QByteArray native = QFile::encodeName(path);
        struct stat info = {};
        if (!code) {
            ++it;  // the part file of another target whose name begins alike
            continue;
        }
        if (::lstat(native.constData(), &info) != 0) {
            it = names.erase(it);
            continue;
        }
        if (!IsOwnPartFile(info)) {
            ++it;  // not ours to take, change or delete
            continue;
        }
        const std::optional<QByteArray> validator = NamedValidator(*code);
        if (!taken && validator && info.st_size > 0) {
            taken = Leftover{*validator, static_cast<qint64>(info.st_size)};
            path_ = path;
            ++it;
        } else {
            ::unlink(native.constData());
            it = names.erase(it);
        }
    }
    PartFolders()[folder].changed = FolderChanged(folder);
    return taken;
}

int PartFile::open(bool fresh, const QByteArray& validator) {
    close();
    if (!fresh) {
        if (path_.isEmpty()) {
            return ENOENT;
        }
        fd_ = OpenOwn(path_);
        return fd_ < 0 ? errno : 0;
    }
    discard();
    const QFileInfo target(target_);
    if (target_.endsWith(QLatin1Char('/')) || target.fileName().isEmpty() || target.isDir()) {
        return EISDIR;  // a URL ending in "/" names no file
    }
    // Whatever already has the name (another user's file, a link, a FIFO, a
    // part file that another run is writing) is left alone: a free name is taken.
    const QString base =
        target.absolutePath() + u'/' + NamePrefix(target, urlDigest_) + NameCode(validator);
    for (int n = 0;; ++n) {
        const QString path = base + (n > 0 ? u'.' + QString::number(n) : QString()) + kSuffix;
        fd_ = ::open(QFile::encodeName(path).constData(),
                     O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY,
                     S_IRUSR | S_IWUSR);
        if (fd_ >= 0) {
            // Whatever the umask, the owner must be able to open it again to resume.
            ::fchmod(fd_, S_IRUSR | S_IWUSR);
            path_ = path;
            Noted(path, true);
            return 0;
        }
        if (errno != EEXIST || n == kMaxFreeNameTries) {
            return errno;
        }
    }
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
    if (fd_ < 0 && (fd_ = OpenOwn(path_)) < 0) {
        return errno;
    }
    int error = 0;
    if (::ftruncate(fd_, size) != 0 || ::fchmod(fd_, 0666 & ~CurrentUmask()) != 0) {
        error = errno;
    }
    if (::close(fd_) != 0 && error == 0) {
        error = errno;
    }
    fd_ = -1;
    if (error != 0) {
        return error;
    }
    if (::rename(QFile::encodeName(path_).constData(), QFile::encodeName(target_).constData()) !=
        0) {
        return errno;
    }
    Noted(path_, false);
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
        Noted(path_, false);
        path_.clear();
    }
}

bool PartFile::exists() const {
    return !path_.isEmpty() && QFileInfo::exists(path_);
}

}  // namespace pg
