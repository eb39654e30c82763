#include "scan/page_scanner.h"

namespace pg {

PageScanner::PageScanner(const QString& pageUrl, bool allTypes, const QString& fileTypesText)
    : resolver_(pageUrl, allTypes, fileTypesText),
      walk_([this](QStringView value) {
          if (const std::optional<QStringView> url = resolver_.resolve(value)) {
              found_.add(*url);
          }
      }),
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

LinkList PageScanner::finish() {
    decoder_.finish();
    walk_.finish();
    return found_.take();
}

}  // namespace pg
