#pragma once

#include <QString>

#include <optional>

namespace pg {

class UrlHistory;

// Appends the records of the file at `path` to `history`; false when the file
// cannot be opened. Lines without a "|" are skipped.
bool ReadHistoryFile(const QString& path, UrlHistory& history);

// The number of records to keep for the history limit text, or empty for all of them.
std::optional<int> HistoryLimit(const QString& limitText);

// Replaces the file at `path` with the newest records of `history` (as many as
// HistoryLimit(limitText) allows), one per CR LF line, readable by the owner
// only. False on failure, in which case an existing file is left as it was.
bool WriteHistoryFile(const QString& path, const UrlHistory& history, const QString& limitText);

}  // namespace pg
