#include "app/app_settings.h"

#include "platform/settings_store.h"

namespace pg {

JobSettingsUpdate ReadJobSettings(SettingsStore& store) {
    JobSettingsUpdate job;
    job.URL = store.GetSetting(QStringLiteral("URL"), QString());
    job.DDir = store.GetSetting(QStringLiteral("DDir"), QString());
    job.All = CheckValueFromText(store.GetSetting(QStringLiteral("All"), QStringLiteral("0")));
    job.FTypes = store.GetSetting(QStringLiteral("FTypes"), kDefaultFileTypes);
    job.User = store.GetSetting(QStringLiteral("User"), QString());
    job.Pwd = store.GetSetting(QStringLiteral("Pwd"), QString());
    job.Hide = CheckValueFromText(store.GetSetting(QStringLiteral("Hide"), QStringLiteral("0")));
    return job;
}

OptionValues ReadOptionValues(SettingsStore& store) {
    const OptionValues defaults;
    OptionValues options;
    options.Max = store.GetSetting(QStringLiteral("Max"), defaults.Max);
    options.RemPort = store.GetSetting(QStringLiteral("RemPort"), defaults.RemPort);
    options.Secs = store.GetSetting(QStringLiteral("Secs"), defaults.Secs);
    return options;
}

void SaveJobSettings(SettingsStore& store, const JobSettings& job) {
    store.SaveSetting(QStringLiteral("URL"), job.URL);
    store.SaveSetting(QStringLiteral("DDir"), job.DDir);
    store.SaveSetting(QStringLiteral("All"), QString::number(job.All));
    store.SaveSetting(QStringLiteral("FTypes"), job.FTypes);
    store.SaveSetting(QStringLiteral("User"), job.User);
    store.SaveSetting(QStringLiteral("Pwd"), job.Pwd);
    store.SaveSetting(QStringLiteral("Hide"), QString::number(job.Hide));
}

void SaveOptionValues(SettingsStore& store, const OptionValues& options) {
    store.SaveSetting(QStringLiteral("Max"), options.Max);
    store.SaveSetting(QStringLiteral("RemPort"), options.RemPort);
    store.SaveSetting(QStringLiteral("Secs"), options.Secs);
}

}  // namespace pg
