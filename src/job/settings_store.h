#pragma once

#include <QString>

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

}  // namespace pg
