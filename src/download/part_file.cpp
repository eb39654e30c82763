#include "download/part_file.h"

#include "download/response_headers.h"

#include <QCryptographicHash>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

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
constexpr auto kNameCoding = QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals;

// The target's name as the part file's name holds it. A long one is cut and
// told apart by a hash, so that the part file's name stays within NAME_MAX.
QString Stem(const QString& fileName) {
    if (QFile::encodeName(fileName).size() <= 80) {
        return fileName;
    }
    const QByteArray hash = QCryptographicHash::hash(fileName.toUtf8(), QCryptographicHash::Sha1);
    return fileName.left(20) + u'~' + QString::fromLatin1(hash.toHex().left(16));
}

// The validator a part file's name holds, when it holds one that a resume can send.
std::optional<QByteArray> NamedValidator(const QString& code) {
    const auto decoded = QByteArray::fromBase64Encoding(
        code.toLatin1(), kNameCoding | QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded || decoded.decoded.isEmpty() ||
        IfRangeValidator({}, decoded.decoded) != decoded.decoded) {
        return std::nullopt;
    }
    return decoded.decoded;
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

QString SystemErrorMessage(int errorNumber) {
    return QStringLiteral("Error %1 : %2")
        .arg(errorNumber)
        .arg(QString::fromLocal8Bit(std::strerror(errorNumber)));
}

PartFile::~PartFile() {
    close();
}

std::optional<PartFile::Leftover> PartFile::takeLeftover() {
    const QFileInfo target(target_);
    if (target.fileName().isEmpty()) {
        return std::nullopt;
    }
    const QString folder = target.absolutePath();
    const QString prefix = u'.' + Stem(target.fileName()) + u'.';
    std::set<QString>& names = PartFileNames(folder);
    std::optional<Leftover> taken;
    for (auto it = names.lower_bound(prefix); it != names.end() && it->startsWith(prefix);) {
        const QString& name = *it;
        const QString code = name.mid(prefix.size(), name.size() - prefix.size() - kSuffix.size());
        if (name.size() < prefix.size() + kSuffix.size() || code.contains(u'.')) {
            ++it;  // the part file of a longer name
            continue;
        }
        const QString path = folder + u'/' + name;
        const QByteArray native = QFile::encodeName(path);
        struct stat info = {};
        if (::lstat(native.constData(), &info) != 0 || !S_ISREG(info.st_mode)) {
            it = names.erase(it);
            continue;
        }
        const std::optional<QByteArray> validator = NamedValidator(code);
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
        fd_ = ::open(QFile::encodeName(path_).constData(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW);
        return fd_ < 0 ? errno : 0;
    }
    discard();
    const QFileInfo target(target_);
    if (target_.endsWith(QLatin1Char('/')) || target.fileName().isEmpty() || target.isDir()) {
        return EISDIR;  // a URL ending in "/" names no file
    }
    const QByteArray code =
        validator.size() <= kMaxNamedValidator ? validator.toBase64(kNameCoding) : QByteArray();
    const QString path = target.absolutePath() + u"/."_s + Stem(target.fileName()) + u'.' +
                         QString::fromLatin1(code) + kSuffix;
    fd_ = ::open(QFile::encodeName(path).constData(),
                 O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd_ < 0) {
        return errno;
    }
    path_ = path;
    Noted(path, true);
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
