#pragma once

#include <QString>

#include <map>

namespace pg {

// Named text values of the application "Pagegleaner", section "Options".
class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    // The stored text, or defaultValue when the key has never been stored.
    virtual QString GetSetting(const QString& key, const QString& defaultValue) = 0;
    // Stores the text; a store that cannot be written loses it silently.
    virtual void SaveSetting(const QString& key, const QString& value) = 0;
};

// The per-user INI file ~/.config/Pagegleaner/Pagegleaner.conf (XDG_CONFIG_HOME
// honoured), group "Options". It holds a password, so it is kept owner-only.
class IniSettingsStore : public SettingsStore {
public:
    IniSettingsStore();
    explicit IniSettingsStore(QString filePath);
    ~IniSettingsStore() override;

    QString GetSetting(const QString& key, const QString& defaultValue) override;
    void SaveSetting(const QString& key, const QString& value) override;

    const QString& filePath() const { return filePath_; }
    static QString DefaultFilePath();

private:
    QString filePath_;
};

// Keeps values in memory; for the command line and for tests.
class MemorySettingsStore : public SettingsStore {
public:
    QString GetSetting(const QString& key, const QString& defaultValue) override;
    void SaveSetting(const QString& key, const QString& value) override;
    std::map<QString, QString> values;
};

}  // namespace pg
