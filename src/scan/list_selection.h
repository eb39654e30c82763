#pragma once

#include <QString>

#include <functional>
#include <optional>

namespace pg {

// What a selection command asks of its window once it has run.
struct SelectionOutcome {
    QString statusText;
    std::optional<bool> downloadEnabled;  // set: enable or disable "7) &Download Files"
    bool makeFirstCurrent = false;        // make entry 0 the list's current entry
    bool focusSearchText = false;         // move the keyboard focus to the search field
};

// The words of one list's selection commands.
struct SelectionWords {
    QString noun;             // "files", "URLs"
    QString nothingToSelect;  // an empty list
    QString nothingToUnselect;
};
inline const SelectionWords kFileListWords{QStringLiteral("files"),
                                           QStringLiteral("No files to select"),
                                           QStringLiteral("No files to unselect")};
// The recent URL list's Select All Containing keeps the file list's words on
// an empty list.
inline const SelectionWords kUrlListWords{QStringLiteral("URLs"),
                                          QStringLiteral("No files to select"),
                                          QStringLiteral("No URLs to unselect")};

// The selection commands as both lists run them: a refusal when there is
// nothing to work on (or nothing to search for), the progress text just
// before the walk ("Selecting files..."), then the count ("12 files
// selected"). `mark` does the walk; for Select All Containing it returns the
// number of entries found.
using SelectionProgressFn = std::function<void(const QString& text)>;
SelectionOutcome SelectAllEntries(const SelectionWords& words, int count,
                                  const SelectionProgressFn& progress,
                                  const std::function<void()>& mark);
SelectionOutcome UnselectAllEntries(const SelectionWords& words, int count,
                                    const SelectionProgressFn& progress,
                                    const std::function<void()>& unmark);
SelectionOutcome SelectEntriesContaining(const SelectionWords& words, int count,
                                         const QString& searchText,
                                         const SelectionProgressFn& progress,
                                         const std::function<int()>& mark);

}  // namespace pg
