#include "scan/file_list.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace pg {

namespace {

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
    return SelectAllEntries(kFileListWords, count(), progress, [this] {
        std::fill(checked_.begin(), checked_.end(), 1);
        checkedCount_ = count();
    });
}

SelectionOutcome FileList::UnselectAll(const ProgressFn& progress) {
    return UnselectAllEntries(kFileListWords, count(), progress, [this] {
        std::fill(checked_.begin(), checked_.end(), 0);
        checkedCount_ = 0;
    });
}

SelectionOutcome FileList::SelectAllContaining(const QString& searchText,
                                               const ProgressFn& progress) {
    return SelectEntriesContaining(kFileListWords, count(), searchText, progress, [&] {
        int matches = 0;
        ContainsText search(searchText);
        for (int i = 0; i < count(); ++i) {
            if (search.in(entries_.utf8(i))) {
                setChecked(i, true);
                ++matches;
            }
        }
        return matches;
    });
}

SelectionOutcome FileList::CheckChanged() const {
    return {QString::number(checkedCount_) + u" files selected"_s, checkedCount_ > 0, false, false};
}

}  // namespace pg
