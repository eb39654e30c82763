// The page scan: input lines "all" (every file type) or anything else, the
// types text, the page URL, the Content-Type, then the page bytes.
#include "fuzz_input.h"
#include "scan/page_fetch.h"
#include "scan/page_scanner.h"
#include "scan/scan_rules.h"
#include "support/reference_scan.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using pg::fuzz::Require;
    const std::vector<QByteArray> f = pg::fuzz::Fields(data, size, 4);
    const QString page = pg::DecodePageText(f[4], f[3]), pageUrl = QString::fromUtf8(f[2]),
                  typesText = QString::fromUtf8(f[1]);
    const bool allTypes = f[0] == "all";
    const QStringList urls = pg::test::ExtractFileUrls(page, pageUrl, allTypes, typesText);
    // The streamed scan, given the bytes in pieces of 1 to 13 bytes, finds the same.
    pg::PageScanner scanner(pageUrl, allTypes, typesText);
    for (qsizetype at = 0, n = 1; at < f[4].size(); at += n, n = n % 13 + 1) {
        scanner.bytes(QByteArrayView(f[4]).sliced(at, std::min(n, f[4].size() - at)), f[3]);
    }
    Require(scanner.finish().toStringList() == urls && scanner.sawText() == !page.isEmpty());
    // Each URL ends with a wanted extension, and is left out when one found
    // before it begins with it, case ignored.
    const QStringList types = pg::FileTypeList(typesText);
    for (qsizetype i = 0; i < std::min<qsizetype>(urls.size(), 64); ++i) {
        const qsizetype dot = urls[i].lastIndexOf(u'.');
        Require(dot >= 0 && (allTypes || types.contains(urls[i].sliced(dot + 1).toLower())));
        for (qsizetype j = i + 1; j < urls.size(); ++j) {
            Require(!urls[i].toCaseFolded().startsWith(urls[j].toCaseFolded()));
        }
    }
    return 0;
}
