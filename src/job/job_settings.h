#pragma once

#include <QString>

#include <optional>

namespace pg {

// A snapshot of the job that the main window's fields hold.
struct JobSettings {
    QString url;
    QString directory;
    bool allTypes = false;
    QString fileTypes;
    QString userName;
    QString password;
    bool hidePassword = false;
};

// Field values to put into the main window; a field left empty is not touched
// (it was absent, or its stored text could not be converted).
struct JobSettingsUpdate {
    std::optional<QString> url;
    std::optional<QString> directory;
    std::optional<bool> allTypes;
    std::optional<QString> fileTypes;
    std::optional<QString> userName;
    std::optional<QString> password;
    std::optional<bool> hidePassword;
};

// A stored check-box text: "0" clear, "1" checked (blanks around allowed);
// anything else leaves the box as it was.
std::optional<bool> CheckStateFromText(const QString& text);

// The text a check box is stored as: "0" or "1".
QString CheckStateText(bool checked);

}  // namespace pg
