#pragma once

#include <QString>

namespace pg::test {

// Points HOME, XDG_CONFIG_HOME, XDG_DATA_HOME and XDG_CACHE_HOME at folders
// inside one temporary directory that lives until the process ends, so that no
// test ever touches a user's real settings, history or files.
void IsolateUserFolders();

// The temporary directory made by IsolateUserFolders().
QString IsolatedRoot();

}  // namespace pg::test
