#pragma once

#include <QString>

namespace pg {

// Path of a read-only data file installed with the program (the help text):
// beside the executable in a build tree, else in share/pagegleaner.
QString DataFilePath(const QString& name);

}  // namespace pg
