#include "platform/ini_settings_store.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

#include <fcntl.h>
#include <unistd.h>

namespace pg {

namespace {

const QString kGroup = QStringLiteral("Options");

QString KeyOf(const QString& key) {
    return kGroup + QLatin1Char('/') + key;
}

// Creates the file empty and owner-only if it does not exist yet, so that the
// password never lies in a file that others can read.
void EnsurePrivateFile(const QString& path) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) {
        ::close(fd);
    }
}

void MakePrivate(const QString& path) {
    if (QFile::exists(path)) {
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    }
}

}  // namespace

IniSettingsStore::IniSettingsStore(QString filePath) : filePath_(std::move(filePath)) {}

QString IniSettingsStore::GetSetting(const QString& key, const QString& defaultValue) {
    QSettings settings(filePath_, QSettings::IniFormat);
    const QVariant value = settings.value(KeyOf(key));
    if (!value.isValid()) {
        return defaultValue;
    }
    // An unquoted value with commas, written by hand, reads back as a list.
    if (value.typeId() == QMetaType::QStringList) {
        return value.toStringList().join(QLatin1Char(','));
    }
    return value.toString();
}

void IniSettingsStore::SaveSetting(const QString& key, const QString& value) {
    EnsurePrivateFile(filePath_);
    {
        QSettings settings(filePath_, QSettings::IniFormat);
        settings.setValue(KeyOf(key), value);
        settings.sync();
    }
    MakePrivate(filePath_);
}

}  // namespace pg
