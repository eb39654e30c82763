#pragma once

#include <QStringView>

#include <string>
#include <vector>

namespace pg {

// The entries of a file list, kept to answer "does an entry already listed
// begin with this text, letter case ignored?" (letter case as
// QString::toCaseFolded folds it). A radix tree over the folded texts: adding
// or testing a text walks it once, whatever the number of entries.
class CaseInsensitivePrefixIndex {
public:
    CaseInsensitivePrefixIndex();

    // Adds the text unless an entry begins with it; true when it was added.
    bool addUnlessListed(QStringView text);
    // The same for many texts in their order: added[i] tells about texts[i].
    // The walks of the texts through the tree go side by side, so that the
    // memory reads of one overlap those of the others.
    void addAllUnlessListed(const std::vector<QStringView>& texts, std::vector<char>& added);
    qsizetype size() const { return entries_; }

private:
    // The edge from a node to a child, found by the node and the first
    // character of the edge's label; the label lies in arena_. Sixteen bytes,
    // so that the table stays small enough for the processor's caches.
    struct Edge {
        quint64 keyAndLength;  // parent << 16 | first character, label length << 48
        quint32 child;
        quint32 start;
        quint64 key() const { return keyAndLength & kKeyBits; }
        quint32 length() const { return static_cast<quint32>(keyAndLength >> 48); }
    };
    static constexpr quint64 kKeyBits = (quint64(1) << 48) - 1;
    static constexpr quint64 kNoEdge = ~quint64(0);  // a free slot
    static constexpr qsizetype kLongestLabel = 0xFFFF;

    const std::u16string& fold(QStringView text);
    bool add(const std::u16string& key);
    Edge* find(quint64 key);
    const Edge* peek(quint64 key) const;
    void fetchAhead(const std::vector<std::u16string>& keys) const;
    // Adds an edge, or replaces the one with its key.
    void put(quint64 key, quint32 child, quint32 start, qsizetype length);
    void addLeaf(quint32 parent, const char16_t* text, qsizetype length);

    std::vector<char16_t> arena_;  // every edge label
    int bits_ = 10;
    std::vector<Edge> edges_;  // open addressing, 2^bits_ slots
    qsizetype edgeCount_ = 0;
    quint32 nodeCount_ = 1;  // node 0 is the root
    qsizetype entries_ = 0;
    std::u16string folded_;  // scratch
    std::vector<std::u16string> foldedAll_;
};

}  // namespace pg
