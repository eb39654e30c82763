#pragma once

// Page fetches and scans run to their end on the event loop, for tests of
// programs that link the scan library.

#include "scan/page_fetch.h"
#include "scan/page_scan.h"
#include "support/event_loop.h"

#include <gtest/gtest.h>

#include <optional>

namespace pg::test {

// A fetch run to its end; the body goes to `body`.
inline PageFetchResult FetchToEnd(PageFetcher& fetcher, const QString& url, PageBody& body,
                                  const QString& userName = {}, const QString& password = {}) {
    std::optional<PageFetchResult> result;
    fetcher.startFetch(url, userName, password, body,
                       [&result](const PageFetchResult& done) { result = done; });
    EXPECT_TRUE(RunEventLoopUntil([&result] { return result.has_value(); }, 120000));
    return result.value_or(PageFetchResult{});
}

// The whole body of a page as text, decoded as a page is.
struct PageText : PageBody {
    void bytes(QByteArrayView data, const QByteArray& type) override {
        raw.append(data);
        contentType = type;
    }
    void text(QStringView more) override { decoded.append(more); }
    QString all() const { return decoded + DecodePageText(raw, contentType); }
    QByteArray raw;
    QByteArray contentType;
    QString decoded;
};

// A page scan run to its end.
inline PageScanResult ScanToEnd(PageFetcher& fetcher, PageScanRequest request) {
    std::optional<PageScanResult> result;
    PageScan scan(fetcher, std::move(request),
                  [&result](PageScanResult done) { result = std::move(done); });
    scan.start();
    EXPECT_TRUE(RunEventLoopUntil([&result] { return result.has_value(); }, 120000));
    return result ? std::move(*result) : PageScanResult{};
}

}  // namespace pg::test
