#pragma once

#include <QString>

namespace pg {

// Where the program keeps its files.

// The settings file: ~/.config/Pagegleaner/Pagegleaner.conf.
QString SettingsFilePath();
// The URL history: ~/.local/share/Pagegleaner/urls.txt.
QString HistoryFilePath();
// The error log of the last batch: ~/.local/share/Pagegleaner/error.log.
QString ErrorLogPath();
// A read-only data file installed with the program (the help text): beside the
// executable in a build tree, else in share/pagegleaner.
QString DataFilePath(const QString& name);

}  // namespace pg
