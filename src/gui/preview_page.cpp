#include "gui/preview_page.h"

#include "desktop/preview_rules.h"

#include <QAuthenticator>
#include <QCoreApplication>
#include <QWebEngineCookieStore>
#include <QWebEngineDownloadRequest>
#include <QWebEngineFileSystemAccessRequest>
#include <QWebEngineProfile>
#include <QWebEngineRegisterProtocolHandlerRequest>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInfo>
#include <QWebEngineUrlRequestInterceptor>

using namespace Qt::StringLiterals;

namespace pg {

namespace {

int DefaultPort(const QUrl& url) {
    const QString scheme = url.scheme();
    return scheme == u"https"_s ? 443 : scheme == u"ftp"_s ? 21 : 80;
}

bool SameOrigin(const QUrl& a, const QUrl& b) {
    return a.scheme() == b.scheme() && a.host().compare(b.host(), Qt::CaseInsensitive) == 0 &&
           a.port(DefaultPort(a)) == b.port(DefaultPort(b));
}

// Lets a request through only when it is of a previewable scheme. A document
// comes only from a load that the program started (the server's redirects
// keep its kind), never from a link, a form or a refresh of the page. Below
// the document, only its own origin is reached: a previewed page touches
// neither local files nor other servers, WebSockets and pings included.
class PreviewRequestFilter : public QWebEngineUrlRequestInterceptor {
public:
    using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;

    void interceptRequest(QWebEngineUrlRequestInfo& info) override {
        using Info = QWebEngineUrlRequestInfo;
        const QUrl url = info.requestUrl();
        const bool allowed =
            IsPreviewScheme(url) && (info.resourceType() == Info::ResourceTypeMainFrame
                                         ? info.navigationType() == Info::NavigationTypeTyped ||
                                               info.navigationType() == Info::NavigationTypeReload
                                         : SameOrigin(url, info.firstPartyUrl()));
        info.block(!allowed);
    }
};

void LockDown(QWebEngineSettings* settings) {
    using S = QWebEngineSettings;
    for (const S::WebAttribute off : {S::JavascriptEnabled,
                                      S::JavascriptCanOpenWindows,
                                      S::JavascriptCanAccessClipboard,
                                      S::JavascriptCanPaste,
                                      S::AllowWindowActivationFromJavaScript,
                                      S::LocalStorageEnabled,
                                      S::LocalContentCanAccessRemoteUrls,
                                      S::LocalContentCanAccessFileUrls,
                                      S::PluginsEnabled,
                                      S::PdfViewerEnabled,
                                      S::FullScreenSupportEnabled,
                                      S::ScreenCaptureEnabled,
                                      S::WebGLEnabled,
                                      S::HyperlinkAuditingEnabled,
                                      S::AllowRunningInsecureContent,
                                      S::AllowGeolocationOnInsecureOrigins,
                                      S::AutoLoadIconsForPage,
                                      S::TouchIconsEnabled,
                                      S::DnsPrefetchEnabled,
                                      S::NavigateOnDropEnabled,
                                      S::FocusOnNavigationEnabled}) {
        settings->setAttribute(off, false);
    }
    settings->setAttribute(S::WebRTCPublicInterfacesOnly, true);
    settings->setAttribute(S::PlaybackRequiresUserGesture, true);
}

}  // namespace

QWebEngineProfile* PreviewProfile() {
    static QWebEngineProfile* profile = [] {
        // No storage name: off the record, cache and cookies in memory only.
        auto* p = new QWebEngineProfile(QCoreApplication::instance());
        p->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
        p->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
        p->setSpellCheckEnabled(false);
        p->cookieStore()->setCookieFilter(
            [](const QWebEngineCookieStore::FilterRequest&) { return false; });
        p->setUrlRequestInterceptor(new PreviewRequestFilter(p));
        QObject::connect(p, &QWebEngineProfile::downloadRequested,
                         [](QWebEngineDownloadRequest* download) { download->cancel(); });
        LockDown(p->settings());
        return p;
    }();
    return profile;
}

PreviewPage::PreviewPage(QObject* parent) : QWebEnginePage(PreviewProfile(), parent) {
    connect(this, &QWebEnginePage::featurePermissionRequested, this,
            [this](const QUrl& origin, Feature feature) {
                setFeaturePermission(origin, feature, PermissionDeniedByUser);
            });
    connect(this, &QWebEnginePage::fileSystemAccessRequested, this,
            [](QWebEngineFileSystemAccessRequest request) { request.reject(); });
    connect(this, &QWebEnginePage::registerProtocolHandlerRequested, this,
            [](QWebEngineRegisterProtocolHandlerRequest request) { request.reject(); });
    // A null authenticator cancels the request: the preview never sends the
    // job's credentials or any other (left unanswered, empty ones would go).
    const auto refuse = [](const QUrl&, QAuthenticator* authenticator) {
        *authenticator = QAuthenticator();
    };
    connect(this, &QWebEnginePage::authenticationRequired, this, refuse);
    connect(this, &QWebEnginePage::proxyAuthenticationRequired, this,
            [refuse](const QUrl& url, QAuthenticator* authenticator, const QString&) {
                refuse(url, authenticator);
            });
    connect(this, &QWebEnginePage::loadFinished, this, [this] {
        // A newer load still under way keeps its own phase.
        if (phase_ == Phase::Loading && !isLoading()) {
            phase_ = Phase::Done;
        }
    });
}

void PreviewPage::showEntry(const QUrl& url) {
    phase_ = Phase::Requested;
    load(url);
}

bool PreviewPage::acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) {
    if (!isMainFrame || !IsPreviewScheme(url)) {
        return false;
    }
    switch (phase_) {
        case Phase::Requested:
            // Our own load: a page never starts a navigation of these kinds.
            if (type == NavigationTypeTyped || type == NavigationTypeReload) {
                phase_ = Phase::Loading;
                return true;
            }
            return false;
        case Phase::Loading:
            // A refresh waits for the document's load to end, so until then a
            // redirect is the server's answer to the entry.
            return type == NavigationTypeRedirect;
        case Phase::Done:
            return false;
    }
    return false;
}

QWebEnginePage* PreviewPage::createWindow(WebWindowType) {
    return nullptr;
}

QStringList PreviewPage::chooseFiles(FileSelectionMode, const QStringList&, const QStringList&) {
    return {};
}

}  // namespace pg
