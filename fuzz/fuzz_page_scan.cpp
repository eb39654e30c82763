// The page scan: input lines "all" (every file type) or anything else, the
// types text, the page URL, the Content-Type, then the page bytes.
#include "fuzz_input.h"
#include "scan/extract.h"
#include "scan/page_fetch.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<QByteArray> f = pg::fuzz::Fields(data, size, 4);
    const QString page = pg::DecodePageText(f[4], f[3]);
    const bool allTypes = f[0] == "all";
    const QString typesText = QString::fromUtf8(f[1]);
    const QStringList urls =
        pg::ExtractFileUrls(page, QString::fromUtf8(f[2]), allTypes, typesText);
    const QStringList types = pg::FileTypeList(typesText);
    // Each URL ends with a wanted extension, and is left out when one found
    // before it begins with it, case ignored.
    for (qsizetype i = 0; i < std::min<qsizetype>(urls.size(), 64); ++i) {
        const qsizetype dot = urls[i].lastIndexOf(u'.');
        pg::fuzz::Require(dot >= 0 &&
                          (allTypes || types.contains(urls[i].sliced(dot + 1).toLower())));
        for (qsizetype j = i + 1; j < urls.size(); ++j) {
            pg::fuzz::Require(!urls[i].toCaseFolded().startsWith(urls[j].toCaseFolded()));
        }
    }
    return 0;
}
