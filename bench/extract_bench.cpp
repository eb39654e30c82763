// Throughput of the file URL scan on generated pages of 1 MB to 100 MB with up
// to 100,000 distinct links (and as many repeats), and how its time grows:
// PageScanner on the page's UTF-8 bytes in pieces of 256 KiB as they come
// from the network.
#include "scan/page_scanner.h"

#include <benchmark/benchmark.h>

#include <QString>

#include <map>
#include <random>

namespace {

// A page of about `bytes` characters: paragraphs of text with attributes and
// line breaks, and one link per kilobyte (so 100,000 links in 100 MB) of which
// every other one repeats an earlier link.
const QString& Page(qint64 bytes) {
    static std::map<qint64, QString> cache;
    QString& page = cache[bytes];
    if (!page.isEmpty()) {
        return page;
    }
    std::mt19937 random(42);
    page.reserve(bytes + 1024);
    const QString filler = QStringLiteral(
        "<p class=\"text\" id=p style=\"margin: 0\">Lorem ipsum dolor sit amet, consectetur "
        "adipiscing elit, sed do eiusmod tempor incididunt ut labore et dolore magna aliqua. "
        "Ut enim ad minim veniam, quis nostrud exercitation ullamco laboris.</p>\r\n");
    int link = 0;
    while (page.size() < bytes) {
        while (page.size() < (link + 1) * qint64(1000)) {
            page += filler;
        }
        const int n = (link % 2 == 0) ? link : static_cast<int>(random() % (link + 1));
        ++link;
        switch (random() % 4) {
            case 0:
                page += QStringLiteral("<a href=\"files/archive%1.zip\">zip</a>\r\n").arg(n);
                break;
            case 1:
                page += QStringLiteral("<img src='images/photo%1.jpg' alt=\"x\">\r\n").arg(n);
                break;
            case 2:
                page += QStringLiteral("<a href=/pages/page%1.html>next</a>\r\n").arg(n);
                break;
            default:
                page += QStringLiteral("<td background=bg.gif><script src=app%1.js></script>\r\n")
                            .arg(n);
                break;
        }
    }
    return page;
}

void BM_PageScanner(benchmark::State& state) {
    const qint64 megabytes = state.range(0);
    const QByteArray bytes = Page(megabytes * 1000 * 1000).toUtf8();
    const QByteArray contentType("text/html");
    constexpr qsizetype kPiece = 256 * 1024;
    qsizetype found = 0;
    for (auto _ : state) {
        pg::PageScanner scanner(QStringLiteral("http://host/dir/index.html"), false,
                                QStringLiteral("gif,jpg,zip,htm,html"));
        for (qsizetype at = 0; at < bytes.size(); at += kPiece) {
            scanner.bytes(QByteArrayView(bytes).sliced(at, std::min(kPiece, bytes.size() - at)),
                          contentType);
        }
        found = scanner.finish().size();
        benchmark::DoNotOptimize(found);
    }
    state.SetBytesProcessed(state.iterations() * bytes.size());
    state.counters["links"] = static_cast<double>(found);
}
BENCHMARK(BM_PageScanner)->Arg(1)->Arg(100)->Unit(benchmark::kMillisecond);

// A page that is nothing but 100,000 distinct links: the cost of the
// duplicate test, which must grow like n log n.
void BM_ManyLinks(benchmark::State& state) {
    const int links = static_cast<int>(state.range(0));
    QString page;
    for (int i = 0; i < links; ++i) {
        page += QStringLiteral(" href=file%1.gif>").arg(i);
        page += QStringLiteral(" href=file%1.gif>").arg(i / 2);  // a repeat of an earlier one
    }
    const QByteArray bytes = page.toUtf8();
    for (auto _ : state) {
        pg::PageScanner scanner(QStringLiteral("http://host/"), false, QStringLiteral("gif"));
        scanner.bytes(bytes, {});
        benchmark::DoNotOptimize(scanner.finish().size());
    }
    state.SetComplexityN(links);
}
BENCHMARK(BM_ManyLinks)
    ->RangeMultiplier(4)
    ->Range(1 << 10, 1 << 17)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oNLogN);

}  // namespace

BENCHMARK_MAIN();
