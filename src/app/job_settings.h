#pragma once

#include <QString>

#include <optional>

namespace pg {

// Check-box states as the settings, the history and the window exchange them.
enum CheckValue : int { Unchecked = 0, Checked = 1, Grayed = 2 };

// A snapshot of the job that the main window's fields hold.
struct JobSettings {
    QString URL;
    QString DDir;
    int All = Unchecked;
    QString FTypes;
    QString User;
    QString Pwd;
    int Hide = Unchecked;
};

// Field values to put into the main window; a field left empty is not touched
// (it was absent, or its stored text could not be converted).
struct JobSettingsUpdate {
    std::optional<QString> URL;
    std::optional<QString> DDir;
    std::optional<int> All;
    std::optional<QString> FTypes;
    std::optional<QString> User;
    std::optional<QString> Pwd;
    std::optional<int> Hide;
};

// Converts a stored check-box text to a check value; empty when the text is not
// a number a check box can take.
std::optional<int> CheckValueFromText(const QString& text);

}  // namespace pg
