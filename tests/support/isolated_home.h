#pragma once

#include <QString>

namespace pg::test {

// Points HOME and the XDG folders into one temporary folder that lives until
// the process ends, so that no test touches a user's real settings, history or
// files. test_main.cpp calls it before Qt starts.
void IsolateUserFolders();

// That temporary folder.
QString IsolatedRoot();

}  // namespace pg::test
