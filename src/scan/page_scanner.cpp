#include "scan/page_scanner.h"

namespace pg {

PageScanner::PageScanner(const QString& pageUrl, bool allTypes, const QString& fileTypesText)
    : resolver_(pageUrl, allTypes, fileTypesText),
      walk_([this](QStringView value) { found(value); }),
      decoder_(walk_) {}

void PageScanner::redirectedTo(const QString& url) {
    resolver_.setPageUrl(url);
}

void PageScanner::bytes(QByteArrayView data, const QByteArray& contentType) {
    decoder_.add(data, contentType);
}

void PageScanner::text(QStringView text) {
    sawText_ = sawText_ || !text.isEmpty();
    walk_.append(text);
}

QStringList PageScanner::finish() {
    decoder_.finish();
    walk_.finish();
    listFound();
    return std::move(urls_);
}

void PageScanner::found(QStringView value) {
    constexpr size_t kBatch = 16;
    if (const std::optional<QStringView> url = resolver_.resolve(value)) {
        foundText_.append(url->utf16(), static_cast<size_t>(url->size()));
        foundEnds_.push_back(static_cast<qsizetype>(foundText_.size()));
        if (foundEnds_.size() == kBatch) {
            listFound();
        }
    }
}

void PageScanner::listFound() {
    foundViews_.clear();
    qsizetype start = 0;
    for (const qsizetype end : foundEnds_) {
        foundViews_.emplace_back(foundText_.data() + start, end - start);
        start = end;
    }
    listed_.addAllUnlessListed(foundViews_, added_);
    for (size_t i = 0; i < foundViews_.size(); ++i) {
        if (added_[i]) {
            urls_.append(foundViews_[i].toString());
        }
    }
    foundText_.clear();
    foundEnds_.clear();
}

}  // namespace pg
