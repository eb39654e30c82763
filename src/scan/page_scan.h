#pragma once

#include "job/page_url.h"
#include "scan/link_list.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

namespace pg {

class PageFetcher;
class PageScanner;
struct PageFetchResult;

// What "6) &Extract file URLs" reads from the job.
struct PageScanRequest {
    QString url;
    QString userName;
    QString password;
    bool allTypes = false;
    QString fileTypes;
};

// How a scan ended.
enum class PageScanStatus {
    BadPrefix,      // the URL begins with neither "http" nor "ftp"; nothing was fetched
    RequestFailed,  // no answer, or an answer other than 200
    EmptyPage,      // 200 with an empty body
    Extracted,      // file URLs were found
    NoneFound,      // the page holds no wanted file URL
};

struct PageScanResult {
    PageScanStatus status = PageScanStatus::RequestFailed;
    LinkList urls;          // the file URLs in page order, each once
    QString failureDetail;  // why the request failed, for the command line
    QString pageUrl;        // where the page finally came from, after redirects
};

// "6) &Extract file URLs": checks the URL, fetches the page and extracts its
// file URLs while it arrives, on the event loop; `done` follows from the event
// loop (also for a URL refused at once). Destroying the scan calls off a fetch
// under way, without done.
class PageScan {
public:
    using DoneFn = std::function<void(PageScanResult result)>;

    PageScan(PageFetcher& fetcher, PageScanRequest request, DoneFn done);
    ~PageScan();
    PageScan(const PageScan&) = delete;
    PageScan& operator=(const PageScan&) = delete;

    void start();

private:
    void fetched(const PageFetchResult& page);
    void finish(PageScanResult result);

    PageFetcher& fetcher_;
    const PageScanRequest request_;
    const DoneFn done_;
    std::unique_ptr<PageScanner> scanner_;
    bool fetching_ = false;
    QObject guard_;  // calls from the event loop die with the scan
};

// The status bar text for a scan's end, and the one shown while it runs.
QString PageScanStatusText(PageScanStatus status);
inline const QString kExtractingText = QStringLiteral("Extracting web page file URLs...");

// The count label above the file list after a scan that fetched the page:
// "12 extracted file URLs", or "No extracted file URLs".
QString ExtractedCountText(int count);

}  // namespace pg
