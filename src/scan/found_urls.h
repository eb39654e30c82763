#pragma once

#include "scan/flat_array.h"
#include "scan/link_list.h"

#include <QByteArray>
#include <QStringView>

#include <array>
#include <string_view>
#include <vector>

namespace pg {

// The file URLs a page gives, to be listed each once in the order found: a
// URL is left out when a URL found before it begins with it, letter case
// ignored (as QString::toCaseFolded folds it).
//
// Whether a URL is listed depends only on the URLs found before it, listed or
// not (a URL that begins another that begins a third begins the third too),
// so the decision waits for the end. While the page arrives, each URL whose
// folded text is new is kept in UTF-8, with its folded text where that
// differs, and found again through a hash table of 4-byte slots. At the end
// the URLs are sorted by folded text, which puts the URLs that begin with a
// text right after it; a URL is listed unless one found earlier stands among
// those. Memory: the text, 8 bytes of index and 5 to 13 bytes of table or
// sort space a URL.
class FoundUrls {
public:
    // More distinct URLs are not kept (a page of 1 GiB holds fewer links).
    static constexpr size_t kMostUrls = (size_t(1) << 27) - 2;

    FoundUrls();

    void add(QStringView url);
    // The listed URLs in the order found; leaves nothing behind.
    LinkList take();

private:
    // A URL added and not looked up yet: its record in the batch.
    struct Pending {
        size_t start;
        size_t end;
        size_t folded;  // where its folded text begins
        bool foldedCopy;
        size_t hash;
    };
    struct Record {
        std::string_view url;
        std::string_view folded;
    };
    // Twelve bytes: seven bytes of folded text and how many of them there are.
    struct SortItem {
        quint32 record;
        quint32 keyHigh;
        quint32 keyLow;
    };

    Record record(size_t i) const;
    size_t hashOf(std::string_view folded) const;
    // The slot holding the record whose folded text is `folded`, or the free
    // slot where it goes.
    size_t slotFor(std::string_view folded, size_t hash) const;
    void addBatch();
    std::string_view pendingFolded(const Pending& pending) const;
    void grow();
    void sortByFoldedText(std::vector<SortItem>& items) const;
    std::vector<char> listedRecords() const;

    // A record: the URL's UTF-8, or the URL's length (4 bytes), the URL and
    // its folded text.
    FlatArray<char> text_;
    FlatArray<quint64> ends_;     // where each record ends; kFoldedCopy when it holds both
    std::vector<quint32> slots_;  // (record + 1) << 5 | 5 bits of the hash; 0 when free
    size_t seed_;
    std::array<Pending, 16> pending_;  // looked up together
    size_t pendingCount_ = 0;
    QByteArray batch_;  // their records
};

}  // namespace pg
