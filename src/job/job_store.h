#pragma once

#include "job/job_settings.h"
#include "job/options.h"

#include <QString>

namespace pg {

class SettingsStore;

inline const QString kDefaultFileTypes = QStringLiteral("gif,jpg,exe,htm,html");

// Reads URL, DDir, All, FTypes, User, Pwd and Hide, in that order. A check-box
// value other than 0 or 1 is left out, so the box keeps its state.
JobSettingsUpdate ReadJobSettings(SettingsStore& store);
// Reads Max, RemPort and Secs as text.
Options ReadOptions(SettingsStore& store);

// Saves URL, DDir, All, FTypes, User, Pwd and Hide, in that order.
void SaveJobSettings(SettingsStore& store, const JobSettings& job);
// Saves Max, RemPort and Secs, in that order.
void SaveOptions(SettingsStore& store, const Options& options);

}  // namespace pg
