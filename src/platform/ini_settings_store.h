#pragma once

#include "job/settings_store.h"

#include <QString>

namespace pg {

// The per-user INI file ~/.config/Pagegleaner/Pagegleaner.conf (XDG_CONFIG_HOME
// honoured), group "Options". It holds a password, so it is kept owner-only.
class IniSettingsStore : public SettingsStore {
public:
    explicit IniSettingsStore(QString filePath);

    QString GetSetting(const QString& key, const QString& defaultValue) override;
    void SaveSetting(const QString& key, const QString& value) override;

private:
    QString filePath_;
};

}  // namespace pg
