#pragma once

#include "scan/link_list.h"
#include "scan/list_selection.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

namespace pg {

// The file URLs of the last scan, each with a check mark; the checked entries
// are the files to download.
class FileList {
public:
    // Called with "Selecting files..." or "Unselecting files..." once a command
    // has passed its checks and is about to walk the list.
    using ProgressFn = std::function<void(const QString& text)>;

    int count() const { return static_cast<int>(entries_.size()); }
    QString entry(int index) const { return entries_.at(index); }
    const LinkList& entries() const { return entries_; }
    bool isChecked(int index) const { return checked_.at(static_cast<size_t>(index)) != 0; }
    int checkedCount() const { return checkedCount_; }
    QStringList checkedEntries() const;

    // Replaces the entries; all unchecked.
    void setEntries(LinkList entries);
    // Returns true when the mark changed.
    bool setChecked(int index, bool checked);

    SelectionOutcome SelectAll(const ProgressFn& progress = {});
    SelectionOutcome UnselectAll(const ProgressFn& progress = {});
    SelectionOutcome SelectAllContaining(const QString& searchText,
                                         const ProgressFn& progress = {});
    // After the user changed one check mark.
    SelectionOutcome CheckChanged() const;

private:
    LinkList entries_;
    std::vector<char> checked_;
    int checkedCount_ = 0;
};

}  // namespace pg
