#include "scan/page_scan.h"

#include "scan/page_fetch.h"
#include "scan/page_scanner.h"

#include <QPointer>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace pg {

PageScan::PageScan(PageFetcher& fetcher, PageScanRequest request, DoneFn done)
    : fetcher_(fetcher), request_(std::move(request)), done_(std::move(done)) {}

PageScan::~PageScan() {
    if (fetching_) {
        fetcher_.cancel();
    }
}

void PageScan::start() {
    if (!HasPagePrefix(request_.url)) {
        PageScanResult result;
        result.status = PageScanStatus::BadPrefix;
        finish(std::move(result));
        return;
    }
    // The page is scanned while it arrives.
    scanner_ = std::make_unique<PageScanner>(request_.url, request_.allTypes, request_.fileTypes);
    fetching_ = true;
    fetcher_.startFetch(request_.url, request_.userName, request_.password, *scanner_,
                        [this, guard = QPointer<QObject>(&guard_)](const PageFetchResult& page) {
                            if (guard) {
                                fetched(page);
                            }
                        });
}

void PageScan::fetched(const PageFetchResult& page) {
    fetching_ = false;
    PageScanResult result;
    result.pageUrl = page.effectiveUrl.isEmpty() ? request_.url : page.effectiveUrl;
    if (!page.retrieved()) {
        result.status = PageScanStatus::RequestFailed;
        result.failureDetail = page.failure;
    } else {
        LinkList urls = scanner_->finish();
        if (!scanner_->sawText()) {
            result.status = PageScanStatus::EmptyPage;
        } else {
            result.urls = std::move(urls);
            result.status =
                result.urls.isEmpty() ? PageScanStatus::NoneFound : PageScanStatus::Extracted;
        }
    }
    scanner_.reset();
    finish(std::move(result));
}

void PageScan::finish(PageScanResult result) {
    // From the event loop, without this scan as the receiver: the owner may
    // destroy it in done.
    QTimer::singleShot(0, [guard = QPointer<QObject>(&guard_), done = done_,
                           result = std::move(result)]() mutable {
        if (guard) {
            done(std::move(result));
        }
    });
}

QString PageScanStatusText(PageScanStatus status) {
    switch (status) {
        case PageScanStatus::BadPrefix:
            return u"Unable to retrieve web page source - URL should begin with 'http://', "
                   u"'https://', or 'ftp://'"_s;
        case PageScanStatus::RequestFailed:
            return u"Unable to retrieve web page source - check internet connection, URL, user "
                   u"name and password"_s;
        case PageScanStatus::EmptyPage:
            return u"Unable to get web page source - check internet connection, URL, user name "
                   u"and password"_s;
        case PageScanStatus::Extracted:
            return u"Web page file URLs extracted"_s;
        case PageScanStatus::NoneFound:
            return u"Unable to find any web page file URLs"_s;
    }
    return {};
}

QString ExtractedCountText(int count) {
    if (count == 0) {
        return u"No extracted file URLs"_s;
    }
    return QString::number(count) + u" extracted file URLs"_s;
}

}  // namespace pg
