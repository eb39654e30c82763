#include "scan/extract_command.h"

#include "scan/extract.h"
#include "scan/page_fetch.h"

namespace pg {

bool HasPagePrefix(const QString& url) {
    return url.startsWith(QLatin1String("http"), Qt::CaseInsensitive) ||
           url.startsWith(QLatin1String("ftp"), Qt::CaseInsensitive);
}

QString ExtractedCountText(int count) {
    return QString::number(count) + QLatin1String(" extracted file URLs");
}

void RunExtractCommand(ScanWindow& window, PageFetcher& fetcher, const ScanJob& job) {
    window.setStatusText(ScanText::Extracting);
    window.setCountLabel(QString());
    window.setDownloadEnabled(false);
    window.hidePreview();

    if (!HasPagePrefix(job.url)) {
        window.setStatusText(ScanText::BadPrefix);
        return;
    }

    window.setBusy(true);
    window.clearFileList();
    const PageFetchResult page = fetcher.FetchPageSource(job.url, job.userName, job.password);
    if (!page.retrieved()) {
        window.setBusy(false);
        window.setStatusText(ScanText::RequestFailed);
        return;
    }
    if (page.source.isEmpty()) {
        window.setStatusText(ScanText::EmptyPage);
        window.setBusy(false);
        return;
    }

    const QStringList urls = ExtractFileUrls(page.source, job.url, job.allTypes, job.fileTypes);
    window.fillFileList(urls);
    if (urls.isEmpty()) {
        window.setCountLabel(ScanText::NoneExtracted);
        window.setStatusText(ScanText::NoneFound);
    } else {
        window.setCountLabel(ExtractedCountText(static_cast<int>(urls.size())));
        window.setStatusText(ScanText::Extracted);
    }
    window.setBusy(false);
}

}  // namespace pg
