#pragma once

#include <QString>

#include <set>

namespace pg {

// Answers "does any stored text begin with this text, letter case ignored?" in
// O(log n), the way a list box's prefix search finds entries, but without a walk
// over every entry.
class CaseInsensitivePrefixIndex {
public:
    // True when some inserted text begins with `text` (letter case ignored).
    bool hasEntryBeginningWith(const QString& text) const;
    void insert(const QString& text);
    void clear() { keys_.clear(); }
    std::size_t size() const { return keys_.size(); }

private:
    std::set<QString> keys_;  // case-folded texts; entries beginning with x sort right after x
};

}  // namespace pg
