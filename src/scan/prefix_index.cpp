#include "scan/prefix_index.h"

#include <QString>

namespace pg {

namespace {

quint64 EdgeKey(quint32 node, char16_t first) {
    return quint64(node) << 16 | first;
}

// Fibonacci hashing: the high bits of the product spread neighbouring keys.
size_t Slot(quint64 key, int bits) {  // key without the label length
    return static_cast<size_t>((key * 0x9E3779B97F4A7C15ull) >> (64 - bits));
}

}  // namespace

CaseInsensitivePrefixIndex::CaseInsensitivePrefixIndex()
    : edges_(size_t(1) << bits_, Edge{kNoEdge, 0, 0}) {}

const std::u16string& CaseInsensitivePrefixIndex::fold(QStringView text) {
    folded_.resize(static_cast<size_t>(text.size()));
    for (qsizetype i = 0; i < text.size(); ++i) {
        char16_t c = text[i].unicode();
        if (c >= 0x80) {  // beyond ASCII, Qt's folding decides
            const QString folded = text.toString().toCaseFolded();
            folded_.assign(reinterpret_cast<const char16_t*>(folded.constData()),
                           static_cast<size_t>(folded.size()));
            return folded_;
        }
        if (c >= u'A' && c <= u'Z') {
            c = static_cast<char16_t>(c + (u'a' - u'A'));
        }
        folded_[static_cast<size_t>(i)] = c;
    }
    return folded_;
}

bool CaseInsensitivePrefixIndex::addUnlessListed(QStringView text) {
    return add(fold(text));
}

void CaseInsensitivePrefixIndex::addAllUnlessListed(const std::vector<QStringView>& texts,
                                                    std::vector<char>& added) {
    foldedAll_.resize(texts.size());
    for (size_t i = 0; i < texts.size(); ++i) {
        foldedAll_[i] = fold(texts[i]);
    }
    fetchAhead(foldedAll_);
    added.resize(texts.size());
    for (size_t i = 0; i < texts.size(); ++i) {
        added[i] = add(foldedAll_[i]);
    }
}

// Walks all keys down the tree without changing it, one level of every key
// at a time, asking the processor to fetch the slot each walk reads next. The
// adds that follow then find the tree in the cache.
void CaseInsensitivePrefixIndex::fetchAhead(const std::vector<std::u16string>& keys) const {
    struct Walk {
        quint32 node;
        size_t at;
    };
    std::vector<Walk> walks(keys.size(), Walk{0, 0});
    for (bool going = true; going;) {
        going = false;
        for (size_t k = 0; k < keys.size(); ++k) {
            Walk& walk = walks[k];
            const std::u16string& key = keys[k];
            if (walk.at >= key.size()) {
                continue;
            }
            const Edge* edge = peek(EdgeKey(walk.node, key[walk.at]));
            if (!edge) {
                walk.at = key.size();
                continue;
            }
            __builtin_prefetch(&arena_[edge->start]);
            walk.node = edge->child;
            walk.at += edge->length();
            if (walk.at < key.size()) {
                __builtin_prefetch(&edges_[Slot(EdgeKey(walk.node, key[walk.at]), bits_)]);
                going = true;
            }
        }
    }
}

const CaseInsensitivePrefixIndex::Edge* CaseInsensitivePrefixIndex::peek(quint64 key) const {
    const size_t mask = edges_.size() - 1;
    for (size_t i = Slot(key, bits_);; i = (i + 1) & mask) {
        const Edge& edge = edges_[i];
        if (edge.keyAndLength == kNoEdge) {
            return nullptr;
        }
        if (edge.key() == key) {
            return &edge;
        }
    }
}

CaseInsensitivePrefixIndex::Edge* CaseInsensitivePrefixIndex::find(quint64 key) {
    const size_t mask = edges_.size() - 1;
    for (size_t i = Slot(key, bits_);; i = (i + 1) & mask) {
        Edge& edge = edges_[i];
        if (edge.keyAndLength == kNoEdge) {
            return nullptr;
        }
        if (edge.key() == key) {
            return &edge;
        }
    }
}

void CaseInsensitivePrefixIndex::put(quint64 key, quint32 child, quint32 start, qsizetype length) {
    const Edge edge{key | quint64(length) << 48, child, start};
    if (Edge* existing = find(key)) {
        *existing = edge;
        return;
    }
    if (3 * (edgeCount_ + 1) > 2 * qsizetype(edges_.size())) {  // at most two thirds full
        std::vector<Edge> old(edges_.size() * 2, Edge{kNoEdge, 0, 0});
        old.swap(edges_);
        ++bits_;
        edgeCount_ = 0;
        for (const Edge& e : old) {
            if (e.keyAndLength != kNoEdge) {
                put(e.key(), e.child, e.start, e.length());
            }
        }
    }
    const size_t mask = edges_.size() - 1;
    size_t i = Slot(key, bits_);
    while (edges_[i].keyAndLength != kNoEdge) {
        i = (i + 1) & mask;
    }
    edges_[i] = edge;
    ++edgeCount_;
}

// Follows the key down the tree. Returns false when an entry begins with the
// key; otherwise adds it and returns true.
bool CaseInsensitivePrefixIndex::add(const std::u16string& key) {
    const auto size = static_cast<qsizetype>(key.size());
    if (size == 0) {  // every entry begins with the empty text
        if (entries_ > 0) {
            return false;
        }
        ++entries_;
        return true;
    }
    quint32 node = 0;
    qsizetype i = 0;
    for (;;) {
        const Edge* found = find(EdgeKey(node, key[static_cast<size_t>(i)]));
        if (!found) {
            addLeaf(node, key.data() + i, size - i);
            return true;
        }
        const Edge edge = *found;
        const qsizetype length = edge.length();
        const qsizetype reach = std::min(length, size - i);
        qsizetype same = 1;  // the first character chose the edge
        while (same < reach && arena_[edge.start + same] == key[static_cast<size_t>(i + same)]) {
            ++same;
        }
        if (same == size - i) {
            return false;  // the key ends on this edge: the entries below begin with it
        }
        if (same < length) {  // the key leaves the edge midway: split it there
            const quint32 middle = nodeCount_++;
            const auto cut = static_cast<quint32>(same);
            put(edge.key(), middle, edge.start, same);
            put(EdgeKey(middle, arena_[edge.start + cut]), edge.child, edge.start + cut,
                length - same);
            addLeaf(middle, key.data() + i + same, size - i - same);
            return true;
        }
        // The key goes on below this node (an entry shorter than the key is
        // no reason to leave it out).
        node = edge.child;
        i += same;
    }
}

void CaseInsensitivePrefixIndex::addLeaf(quint32 parent, const char16_t* text, qsizetype length) {
    auto start = static_cast<quint32>(arena_.size());
    arena_.insert(arena_.end(), text, text + length);
    // A label longer than an edge holds goes over a chain of nodes.
    for (; length > kLongestLabel; length -= kLongestLabel, start += kLongestLabel) {
        const quint32 node = nodeCount_++;
        put(EdgeKey(parent, arena_[start]), node, start, kLongestLabel);
        parent = node;
    }
    put(EdgeKey(parent, arena_[start]), nodeCount_++, start, length);
    ++entries_;
}

}  // namespace pg
