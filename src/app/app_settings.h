#pragma once

#include "app/job_settings.h"

#include <QString>

namespace pg {

class SettingsStore;

inline const QString kDefaultFileTypes = QStringLiteral("gif,jpg,exe,htm,html");

// The three options, held as the text that was stored.
struct OptionValues {
    QString Max = QStringLiteral("100");
    QString RemPort = QStringLiteral("80");
    QString Secs = QStringLiteral("60");
};

// Reads URL, DDir, All, FTypes, User, Pwd and Hide, in that order. A check-box
// value that is not a number is left out, so the box keeps its state.
JobSettingsUpdate ReadJobSettings(SettingsStore& store);
// Reads Max, RemPort and Secs as text.
OptionValues ReadOptionValues(SettingsStore& store);

// Saves URL, DDir, All, FTypes, User, Pwd and Hide, in that order.
void SaveJobSettings(SettingsStore& store, const JobSettings& job);
// Saves Max, RemPort and Secs, in that order.
void SaveOptionValues(SettingsStore& store, const OptionValues& options);

}  // namespace pg
