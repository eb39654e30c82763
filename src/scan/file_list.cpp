#include "scan/file_list.h"

#include <algorithm>

namespace pg {

namespace {

QString FilesText(int count, const char* what) {
    return QString::number(count) + QLatin1String(what);
}

}  // namespace

QStringList FileList::checkedEntries() const {
    QStringList result;
    result.reserve(checkedCount_);
    for (int i = 0; i < count(); ++i) {
        if (checked_[static_cast<size_t>(i)]) {
            result.append(entries_.at(i));
        }
    }
    return result;
}

void FileList::setEntries(QStringList entries) {
    entries_ = std::move(entries);
    checked_.assign(static_cast<size_t>(entries_.size()), 0);
    checkedCount_ = 0;
}

bool FileList::setChecked(int index, bool checked) {
    char& mark = checked_.at(static_cast<size_t>(index));
    if ((mark != 0) == checked) {
        return false;
    }
    mark = checked ? 1 : 0;
    checkedCount_ += checked ? 1 : -1;
    return true;
}

SelectionOutcome FileList::SelectAll(const ProgressFn& progress) {
    if (entries_.isEmpty()) {
        return {QStringLiteral("No files to select"), std::nullopt, false, false};
    }
    if (progress) {
        progress(QStringLiteral("Selecting files..."));
    }
    std::fill(checked_.begin(), checked_.end(), 1);
    checkedCount_ = count();
    return {FilesText(count(), " files selected"), true, true, false};
}

SelectionOutcome FileList::UnselectAll(const ProgressFn& progress) {
    if (entries_.isEmpty()) {
        return {QStringLiteral("No files to unselect"), std::nullopt, false, false};
    }
    if (progress) {
        progress(QStringLiteral("Unselecting files..."));
    }
    std::fill(checked_.begin(), checked_.end(), 0);
    checkedCount_ = 0;
    return {FilesText(count(), " files unselected"), false, true, false};
}

SelectionOutcome FileList::SelectAllContaining(const QString& searchText,
                                               const ProgressFn& progress) {
    if (entries_.isEmpty()) {
        return {QStringLiteral("No files to select"), std::nullopt, false, false};
    }
    if (searchText.isEmpty()) {
        return {QStringLiteral("Please specify text to search for"), std::nullopt, false, true};
    }
    if (progress) {
        progress(QStringLiteral("Selecting files..."));
    }
    int matches = 0;
    for (int i = 0; i < count(); ++i) {
        if (entries_.at(i).contains(searchText, Qt::CaseInsensitive)) {
            setChecked(i, true);
            ++matches;
        }
    }
    return {FilesText(matches, " files selected"), true, true, false};
}

SelectionOutcome FileList::CheckChanged() const {
    return {FilesText(checkedCount_, " files selected"), checkedCount_ > 0, false, false};
}

}  // namespace pg
