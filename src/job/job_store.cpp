#include "job/job_store.h"

#include "job/settings_store.h"

using namespace Qt::StringLiterals;

namespace pg {

JobSettingsUpdate ReadJobSettings(SettingsStore& store) {
    JobSettingsUpdate job;
    job.url = store.GetSetting(u"URL"_s, {});
    job.directory = store.GetSetting(u"DDir"_s, {});
    job.allTypes = CheckStateFromText(store.GetSetting(u"All"_s, u"0"_s));
    job.fileTypes = store.GetSetting(u"FTypes"_s, kDefaultFileTypes);
    job.userName = store.GetSetting(u"User"_s, {});
    job.password = store.GetSetting(u"Pwd"_s, {});
    job.hidePassword = CheckStateFromText(store.GetSetting(u"Hide"_s, u"0"_s));
    return job;
}

Options ReadOptions(SettingsStore& store) {
    const Options defaults;
    Options options;
    options.historyLimit = store.GetSetting(u"Max"_s, defaults.historyLimit);
    options.remotePort = store.GetSetting(u"RemPort"_s, defaults.remotePort);
    options.waitSecs = store.GetSetting(u"Secs"_s, defaults.waitSecs);
    return options;
}

void SaveJobSettings(SettingsStore& store, const JobSettings& job) {
    store.SaveSetting(u"URL"_s, job.url);
    store.SaveSetting(u"DDir"_s, job.directory);
    store.SaveSetting(u"All"_s, CheckStateText(job.allTypes));
    store.SaveSetting(u"FTypes"_s, job.fileTypes);
    store.SaveSetting(u"User"_s, job.userName);
    store.SaveSetting(u"Pwd"_s, job.password);
    store.SaveSetting(u"Hide"_s, CheckStateText(job.hidePassword));
}

void SaveOptions(SettingsStore& store, const Options& options) {
    store.SaveSetting(u"Max"_s, options.historyLimit);
    store.SaveSetting(u"RemPort"_s, options.remotePort);
    store.SaveSetting(u"Secs"_s, options.waitSecs);
}

}  // namespace pg
