#include "scan/page_scan.h"

#include "scan/page_fetch.h"
#include "scan/page_scanner.h"

using namespace Qt::StringLiterals;

namespace pg {

bool HasPagePrefix(const QString& url) {
    return url.startsWith(QLatin1String("http"), Qt::CaseInsensitive) ||
           url.startsWith(QLatin1String("ftp"), Qt::CaseInsensitive);
}

PageScanResult ScanPage(PageFetcher& fetcher, const PageScanRequest& request) {
    PageScanResult result;
    if (!HasPagePrefix(request.url)) {
        result.status = PageScanStatus::BadPrefix;
        return result;
    }
    // The page is scanned while it arrives.
    PageScanner scanner(request.url, request.allTypes, request.fileTypes);
    const PageFetchResult page =
        fetcher.FetchPage(request.url, request.userName, request.password, scanner);
    if (!page.retrieved()) {
        result.status = PageScanStatus::RequestFailed;
        result.failureDetail = page.failure;
        return result;
    }
    LinkList urls = scanner.finish();
    if (!scanner.sawText()) {
        result.status = PageScanStatus::EmptyPage;
        return result;
    }
    result.urls = std::move(urls);
    result.status = result.urls.isEmpty() ? PageScanStatus::NoneFound : PageScanStatus::Extracted;
    return result;
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
