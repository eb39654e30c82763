#include "desktop/preview_rules.h"

#include <QStringList>

using namespace Qt::StringLiterals;

namespace pg {

namespace {

constexpr int kMarginAcross = 350;
constexpr int kMarginDown = 600;

}  // namespace

bool IsPreviewable(const QString& entry) {
    static const QStringList noPreviewTypes{u"exe"_s, u"css"_s, u"js"_s,
                                            u"jsp"_s, u"cgi"_s, u"zip"_s};
    // Without a "." the whole text counts as the extension.
    const QString extension = entry.mid(entry.lastIndexOf(u'.') + 1).toLower();
    return !noPreviewTypes.contains(extension);
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
