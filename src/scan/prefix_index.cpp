#include "scan/prefix_index.h"

namespace pg {

bool CaseInsensitivePrefixIndex::hasEntryBeginningWith(const QString& text) const {
    const QString key = text.toCaseFolded();
    const auto it = keys_.lower_bound(key);
    return it != keys_.end() && it->startsWith(key);
}

void CaseInsensitivePrefixIndex::insert(const QString& text) {
    keys_.insert(text.toCaseFolded());
}

}  // namespace pg
