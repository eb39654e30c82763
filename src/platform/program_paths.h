#pragma once

#include <QString>
#include <QStringList>

namespace pg {

// Where the program keeps its files.

// The settings file: ~/.config/Pagegleaner/Pagegleaner.conf.
QString SettingsFilePath();
// The URL history: ~/.local/share/Pagegleaner/urls.txt.
QString HistoryFilePath();
// The error log of the last batch: ~/.local/share/Pagegleaner/error.log.
QString ErrorLogPath();
// A read-only data file installed with the program (the help text): in
// share/pagegleaner relative to the executable, or beside it in a build tree.
QString DataFilePath(const QString& name);
// The program's icon rendered at each size that exists, from
// share/icons/hicolor relative to the executable.
QStringList AppIconFiles();

}  // namespace pg
