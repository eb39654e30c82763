#include "scan/file_list.h"

#include <algorithm>

namespace pg {

namespace {

QString FilesText(int count, const char* what) {
    return QString::number(count) + QLatin1String(what);
}

bool IsAscii(QByteArrayView text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return uchar(c) < 0x80; });
}

// Does the entry contain the text, letter case ignored as QString folds it?
// ASCII in both is compared byte by byte, without making a QString.
class ContainsText {
public:
    explicit ContainsText(const QString& text)
        : text_(text), ascii_(IsAscii(text.toUtf8())), lowered_(text.toLower().toLatin1()) {}

    bool in(QByteArrayView entry) {
        if (!ascii_ || !IsAscii(entry)) {
            return LinkList::text(entry).contains(text_, Qt::CaseInsensitive);
        }
        entry_.resize(entry.size());
        std::transform(entry.begin(), entry.end(), entry_.begin(),
                       [](char c) { return c >= 'A' && c <= 'Z' ? char(c + ('a' - 'A')) : c; });
        return QByteArrayView(entry_).contains(lowered_);
    }

private:
    QString text_;
    bool ascii_;
    QByteArray lowered_;
    QByteArray entry_;  // scratch
};

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

void FileList::setEntries(LinkList entries) {
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
    ContainsText search(searchText);
    for (int i = 0; i < count(); ++i) {
        if (search.in(entries_.utf8(i))) {
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
