#include "desktop/preview_rules.h"

#include <QStringList>

using namespace Qt::StringLiterals;

namespace pg {

namespace {

constexpr int kMarginAcross = 350;
constexpr int kMarginDown = 600;

bool HasPreviewType(const QString& entry) {
    static const QStringList noPreviewTypes{u"exe"_s, u"css"_s, u"js"_s,
                                            u"jsp"_s, u"cgi"_s, u"zip"_s};
    // Without a "." the whole text counts as the extension.
    const QString extension = entry.mid(entry.lastIndexOf(u'.') + 1).toLower();
    return !noPreviewTypes.contains(extension);
}

}  // namespace

bool IsPreviewScheme(const QUrl& url) {
    const QString scheme = url.scheme().toLower();
    return url.isValid() && (scheme == u"http"_s || scheme == u"https"_s || scheme == u"ftp"_s);
}

bool IsPreviewable(const QString& entry) {
    // The scheme is judged on the URL as the browser is given it.
    return IsPreviewScheme(PreviewLocation(entry)) && HasPreviewType(entry);
}

QUrl PreviewLocation(const QString& entry) {
    QUrl url(entry);
    url.setUserInfo({});
    return url;
}

QSize FitPreviewBrowser(QSize window, QSize browser) {
    if (window.width() > kMarginAcross) {
        browser.setWidth(window.width() - kMarginAcross);
    }
    if (window.height() > kMarginDown) {
        browser.setHeight(window.height() - kMarginDown);
    }
    return browser;
}

}  // namespace pg
