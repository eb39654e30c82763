#pragma once

#include "scan/found_urls.h"
#include "scan/link_list.h"
#include "scan/page_decoder.h"
#include "scan/page_fetch.h"
#include "scan/url_resolver.h"
#include "scan/value_walk.h"

namespace pg {

// ExtractFileUrls while the page arrives: takes the body piece by piece,
// decodes it as DecodePageText would decode the whole, and walks it at once,
// so that memory grows with the links found, not with the page.
class PageScanner : public PageBody {
public:
    PageScanner(const QString& pageUrl, bool allTypes, const QString& fileTypesText);

    void redirectedTo(const QString& url) override;
    void bytes(QByteArrayView data, const QByteArray& contentType) override;
    void text(QStringView text) override;
    // The page has ended: the file URLs in page order, each once.
    LinkList finish();
    // True once the page gave any text (line breaks count).
    bool sawText() const { return sawText_ || decoder_.producedText(); }

private:
    FileUrlResolver resolver_;
    FoundUrls found_;
    AttributeValueWalk walk_;
    PageTextDecoder decoder_;
    bool sawText_ = false;
};

}  // namespace pg
