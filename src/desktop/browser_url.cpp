#include "desktop/browser_url.h"

#include "desktop/window_tree.h"
#include "job/page_url.h"

#include <optional>

using namespace Qt::StringLiterals;

namespace pg {

namespace {

// Walks the elements once: the address field search of the classic rule, while
// noting the first document URL on the way for the fallback.
class UrlSearch {
public:
    QString find(AccessibleNode& node) {
        switch (node.role()) {
            case AccessibleNode::Role::EditableText:
                return node.text();
            case AccessibleNode::Role::Document:
                if (documentUrl_.isEmpty()) {
                    const QString url = node.documentUrl().trimmed();
                    if (HasPagePrefix(url)) {
                        documentUrl_ = url;
                    }
                }
                break;
            case AccessibleNode::Role::Other:
                break;
        }
        // The whole list of children is taken before any child is searched.
        for (const auto& child : node.children()) {
            const QString found = find(*child).trimmed();
            if (HasPagePrefix(found)) {
                return found;
            }
        }
        return {};
    }

    const QString& documentUrl() const { return documentUrl_; }

private:
    QString documentUrl_;
};

}  // namespace

const QStringList& BrowserTitleWords() {
    static const QStringList words{u"Netscape"_s,        u"Microsoft Internet Explorer"_s,
                                   u"Prodigy"_s,         u"America Online"_s,
                                   u"Mozilla Firefox"_s, u"Chromium"_s,
                                   u"Google Chrome"_s};
    return words;
}

bool IsBrowserTitle(const QString& title) {
    for (const QString& word : BrowserTitleWords()) {
        if (title.contains(word, Qt::CaseSensitive)) {
            return true;
        }
    }
    return false;
}

QString FindUrlInWindow(AccessibleNode& window) {
    UrlSearch search;
    const QString found = search.find(window).trimmed();
    // The window itself may be the field; its text then still has to look like a URL.
    return HasPagePrefix(found) ? found : search.documentUrl();
}

BrowserUrlCapture CaptureBrowserUrl(WindowTree& tree) {
    std::optional<WindowId> browser;
    for (const WindowId window : tree.topLevelWindows()) {
        if (IsBrowserTitle(tree.windowTitle(window))) {
            browser = window;
            break;
        }
    }
    if (!browser) {
        return {BrowserUrlStatus::NoBrowser, {}};
    }
    const std::unique_ptr<AccessibleNode> root = tree.accessibleRoot(*browser);
    const QString url = root ? FindUrlInWindow(*root) : QString();
    if (url.isEmpty()) {
        return {BrowserUrlStatus::NotObtained, {}};
    }
    return {BrowserUrlStatus::Obtained, url};
}

QString BrowserUrlStatusText(BrowserUrlStatus status) {
    switch (status) {
        case BrowserUrlStatus::Obtained:
            return u"URL obtained from browser"_s;
        case BrowserUrlStatus::NotObtained:
            return u"Unable to obtain URL from browser"_s;
        case BrowserUrlStatus::NoBrowser:
            break;
    }
    return u"Unable to obtain URL from browser - no browser found"_s;
}

}  // namespace pg
