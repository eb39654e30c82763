#include "scan/list_selection.h"

using namespace Qt::StringLiterals;

namespace pg {

namespace {

QString CountText(int count, const SelectionWords& words, const QString& done) {
    return QString::number(count) + u' ' + words.noun + u' ' + done;
}

QString ProgressText(const SelectionWords& words, const QString& doing) {
    return doing + u' ' + words.noun + u"..."_s;
}

}  // namespace

SelectionOutcome SelectAllEntries(const SelectionWords& words, int count,
                                  const SelectionProgressFn& progress,
                                  const std::function<void()>& mark) {
    if (count == 0) {
        return {words.nothingToSelect, std::nullopt, false, false};
    }
    if (progress) {
        progress(ProgressText(words, u"Selecting"_s));
    }
    mark();
    return {CountText(count, words, u"selected"_s), true, true, false};
}

SelectionOutcome UnselectAllEntries(const SelectionWords& words, int count,
                                    const SelectionProgressFn& progress,
                                    const std::function<void()>& unmark) {
    if (count == 0) {
        return {words.nothingToUnselect, std::nullopt, false, false};
    }
    if (progress) {
        progress(ProgressText(words, u"Unselecting"_s));
    }
    unmark();
    return {CountText(count, words, u"unselected"_s), false, true, false};
}

SelectionOutcome SelectEntriesContaining(const SelectionWords& words, int count,
                                         const QString& searchText,
                                         const SelectionProgressFn& progress,
                                         const std::function<int()>& mark) {
    if (count == 0) {
        return {words.nothingToSelect, std::nullopt, false, false};
    }
    if (searchText.isEmpty()) {
        return {u"Please specify text to search for"_s, std::nullopt, false, true};
    }
    if (progress) {
        progress(ProgressText(words, u"Selecting"_s));
    }
    return {CountText(mark(), words, u"selected"_s), true, true, false};
}

}  // namespace pg
