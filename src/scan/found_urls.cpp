#include "scan/found_urls.h"

#include "scan/scan_rules.h"

#include <QHash>
#include <QString>

#include <algorithm>
#include <cstring>
#include <limits>

namespace pg {

namespace {

constexpr quint64 kFoldedCopy = quint64(1) << 63;
constexpr size_t kFirstSlots = 1024;
constexpr int kTagBits = 5;
constexpr quint32 kTagMask = (1u << kTagBits) - 1;

// The slot a hash starts looking from: its share of the table.
size_t Home(size_t hash, size_t slots) {
    return static_cast<size_t>(((hash >> 32) * slots) >> 32);
}

size_t Next(size_t slot, size_t slots) {
    return slot + 1 == slots ? 0 : slot + 1;
}

std::string_view Tail(std::string_view text, size_t from) {
    return text.substr(std::min(from, text.size()));
}

// Seven bytes from `depth` on, zeros past the end, then how many were there:
// comparing keys compares the texts from `depth` on as far as they reach.
quint64 ChunkAt(std::string_view text, size_t depth) {
    const size_t there = depth < text.size() ? std::min<size_t>(7, text.size() - depth) : 0;
    quint64 key = 0;
    for (size_t j = 0; j < 7; ++j) {
        key = key << 8 | (j < there ? static_cast<uchar>(text[depth + j]) : 0u);
    }
    return key << 8 | there;
}

}  // namespace

FoundUrls::FoundUrls() : slots_(kFirstSlots, 0), seed_(QHashSeed::globalSeed()) {}

FoundUrls::Record FoundUrls::record(size_t i) const {
    const quint64 start = i == 0 ? 0 : ends_[i - 1] & ~kFoldedCopy;
    const quint64 end = ends_[i] & ~kFoldedCopy;
    const char* data = text_.data() + start;
    const size_t size = end - start;
    if ((ends_[i] & kFoldedCopy) == 0) {
        return {{data, size}, {data, size}};
    }
    quint32 length = 0;
    std::memcpy(&length, data, sizeof length);
    const std::string_view url(data + sizeof length, length);
    return {url, {url.data() + length, size - sizeof length - length}};
}

size_t FoundUrls::hashOf(std::string_view folded) const {
    return qHashBits(folded.data(), folded.size(), seed_);
}

size_t FoundUrls::slotFor(std::string_view folded, size_t hash) const {
    const auto tag = static_cast<quint32>(hash) & kTagMask;
    for (size_t i = Home(hash, slots_.size());; i = Next(i, slots_.size())) {
        const quint32 slot = slots_[i];
        if (slot == 0 ||
            ((slot & kTagMask) == tag && record((slot >> kTagBits) - 1).folded == folded)) {
            return i;
        }
    }
}

void FoundUrls::add(QStringView url) {
    // The record as it will be kept, in the batch: the UTF-8 text, and the
    // folded one where it differs (ASCII folds A to Z alone).
    Pending& pending = pending_[pendingCount_++];
    pending.start = static_cast<size_t>(batch_.size());
    const qsizetype size = url.size();
    bool ascii = true;
    bool upper = false;
    batch_.resize(batch_.size() + size);
    char* out = batch_.data() + pending.start;
    for (qsizetype i = 0; i < size && ascii; ++i) {
        const char16_t c = url[i].unicode();
        ascii = c < 0x80;
        upper = upper || (c >= u'A' && c <= u'Z');
        out[i] = static_cast<char>(c);
    }
    pending.folded = pending.start;
    pending.foldedCopy = false;
    if (!ascii) {
        QString text = url.toString();
        ReplaceLoneSurrogates(reinterpret_cast<char16_t*>(text.data()), text.size());
        const QByteArray utf8 = text.toUtf8();
        const QByteArray folded = text.toCaseFolded().toUtf8();
        batch_.resize(static_cast<qsizetype>(pending.start));
        if (folded == utf8) {
            batch_.append(utf8);
        } else {
            const auto length = static_cast<quint32>(utf8.size());
            batch_.append(reinterpret_cast<const char*>(&length), sizeof length);
            batch_.append(utf8);
            pending.folded = static_cast<size_t>(batch_.size());
            pending.foldedCopy = true;
            batch_.append(folded);
        }
    } else if (upper) {
        const auto length = static_cast<quint32>(size);
        batch_.resize(batch_.size() + qsizetype(sizeof length) + size);
        out = batch_.data() + pending.start;
        std::memmove(out + sizeof length, out, static_cast<size_t>(size));
        std::memcpy(out, &length, sizeof length);
        out += sizeof length;
        char* const lower = out + size;
        for (qsizetype i = 0; i < size; ++i) {
            const char c = out[i];
            lower[i] = c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c;
        }
        pending.folded = static_cast<size_t>(lower - batch_.data());
        pending.foldedCopy = true;
    }
    pending.end = static_cast<size_t>(batch_.size());
    if (pendingCount_ == pending_.size()) {
        addBatch();
    }
}

// Looks the batch up together: the table slots each one starts from are
// fetched ahead, so that the memory reads of one overlap those of the others.
void FoundUrls::addBatch() {
    for (size_t i = 0; i < pendingCount_; ++i) {
        Pending& pending = pending_[i];
        pending.hash = hashOf(pendingFolded(pending));
        __builtin_prefetch(&slots_[Home(pending.hash, slots_.size())]);
    }
    for (size_t i = 0; i < pendingCount_; ++i) {
        const Pending& pending = pending_[i];
        const size_t slot = slotFor(pendingFolded(pending), pending.hash);
        if (slots_[slot] != 0 || ends_.size() >= kMostUrls) {
            continue;  // found before
        }
        slots_[slot] = static_cast<quint32>(ends_.size() + 1) << kTagBits |
                       (static_cast<quint32>(pending.hash) & kTagMask);
        text_.append(batch_.constData() + pending.start, pending.end - pending.start);
        ends_.push_back(text_.size() | (pending.foldedCopy ? kFoldedCopy : 0));
        if (ends_.size() * 4 > slots_.size() * 3) {
            grow();
        }
    }
    pendingCount_ = 0;
    batch_.resize(0);
}

std::string_view FoundUrls::pendingFolded(const Pending& pending) const {
    return {batch_.constData() + pending.folded, pending.end - pending.folded};
}

// A table twice the size, filled from the records: the slots hold too little
// of each hash to move without it, and the old table goes first.
void FoundUrls::grow() {
    const size_t slots = slots_.size() * 2;
    std::vector<quint32>().swap(slots_);
    slots_.assign(slots, 0);
    for (size_t r = 0; r < ends_.size(); ++r) {
        const size_t hash = hashOf(record(r).folded);
        size_t i = Home(hash, slots);
        while (slots_[i] != 0) {
            i = Next(i, slots);
        }
        slots_[i] =
            static_cast<quint32>(r + 1) << kTagBits | (static_cast<quint32>(hash) & kTagMask);
    }
}

// A sort on the first bytes, then on the next ones within each run of equal
// first bytes, seven at a time: the keys sort in place without touching the
// texts, and a text is read once for each seven bytes it shares with others.
void FoundUrls::sortByFoldedText(std::vector<SortItem>& items) const {
    struct Range {
        size_t begin;
        size_t end;
        size_t depth;
    };
    const auto byKey = [](const SortItem& a, const SortItem& b) {
        return a.keyHigh != b.keyHigh ? a.keyHigh < b.keyHigh : a.keyLow < b.keyLow;
    };
    const auto sameKey = [](const SortItem& a, const SortItem& b) {
        return a.keyHigh == b.keyHigh && a.keyLow == b.keyLow;
    };
    std::vector<Range> ranges{{0, items.size(), 0}};
    while (!ranges.empty()) {
        const Range range = ranges.back();
        ranges.pop_back();
        SortItem* const first = items.data() + range.begin;
        SortItem* const last = items.data() + range.end;
        if (range.end - range.begin <= 16) {
            std::sort(first, last, [this, depth = range.depth](const auto& a, const auto& b) {
                return Tail(record(a.record).folded, depth) < Tail(record(b.record).folded, depth);
            });
            continue;
        }
        bool allSame = true;
        for (SortItem* item = first; item != last; ++item) {
            const quint64 key = ChunkAt(record(item->record).folded, range.depth);
            item->keyHigh = static_cast<quint32>(key >> 32);
            item->keyLow = static_cast<quint32>(key);
            allSame = allSame && sameKey(*item, *first);
        }
        // Where every text goes on alike (a shared beginning) the order is
        // kept, so that the next bytes are read in the order the texts lie.
        if (!allSame) {
            std::sort(first, last, byKey);
        }
        for (SortItem* run = first; run != last;) {
            SortItem* runEnd = run + 1;
            while (runEnd != last && sameKey(*runEnd, *run)) {
                ++runEnd;
            }
            if (runEnd - run > 1 && (run->keyLow & 0xFF) == 7) {
                ranges.push_back({static_cast<size_t>(run - items.data()),
                                  static_cast<size_t>(runEnd - items.data()), range.depth + 7});
            }
            run = runEnd;
        }
    }
}

std::vector<char> FoundUrls::listedRecords() const {
    const size_t count = ends_.size();
    std::vector<SortItem> items(count);
    for (size_t i = 0; i < count; ++i) {
        items[i].record = static_cast<quint32>(i);
    }
    sortByFoldedText(items);

    // In sorted order, the texts that begin with a text follow it directly:
    // walking the order with a stack of the texts that each begin the next,
    // a text leaves the stack once all that begin with it have been seen.
    struct Open {
        quint32 record;
        quint32 firstBeginningWithIt;  // the earliest record that begins with it
    };
    std::vector<char> listed(count, 1);
    std::vector<Open> open;
    const auto close = [&] {
        const Open done = open.back();
        open.pop_back();
        if (done.firstBeginningWithIt < done.record) {
            listed[done.record] = 0;
        }
        if (!open.empty()) {
            open.back().firstBeginningWithIt = std::min(
                {open.back().firstBeginningWithIt, done.record, done.firstBeginningWithIt});
        }
    };
    for (const SortItem& item : items) {
        const std::string_view folded = record(item.record).folded;
        while (!open.empty() && !folded.starts_with(record(open.back().record).folded)) {
            close();
        }
        open.push_back({item.record, std::numeric_limits<quint32>::max()});
    }
    while (!open.empty()) {
        close();
    }
    return listed;
}

LinkList FoundUrls::take() {
    addBatch();
    std::vector<quint32>().swap(slots_);
    const std::vector<char> listed = listedRecords();
    // Each listed URL moves down over what is no longer needed.
    char* const data = text_.data();
    quint64 start = 0;
    quint64 written = 0;
    size_t kept = 0;
    for (size_t i = 0; i < ends_.size(); ++i) {
        const quint64 end = ends_[i] & ~kFoldedCopy;
        const char* url = data + start;
        quint64 length = end - start;
        if (ends_[i] & kFoldedCopy) {
            quint32 urlLength = 0;
            std::memcpy(&urlLength, url, sizeof urlLength);
            url += sizeof urlLength;
            length = urlLength;
        }
        if (listed[i]) {
            if (url != data + written) {
                std::memmove(data + written, url, length);
            }
            written += length;
            ends_[kept++] = written;
        }
        start = end;
    }
    text_.truncate(written);
    text_.squeeze();
    ends_.truncate(kept);
    ends_.squeeze();
    LinkList list(std::move(text_), std::move(ends_));
    *this = FoundUrls();
    return list;
}

}  // namespace pg
