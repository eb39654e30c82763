#include "gui/preview_browser.h"

#include "gui/controls.h"

#include <QApplication>
#include <QCursor>
#include <QLoggingCategory>
#include <QUrl>
#include <QWebEngineView>

#include <unistd.h>

namespace pg {

namespace {

bool navigationWaiting = false;

void EndNavigationWait() {
    if (navigationWaiting) {
        navigationWaiting = false;
        QApplication::restoreOverrideCursor();
    }
}

}  // namespace

void PrepareWebEngine() {
    if (::geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX")) {
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    }
    if (qEnvironmentVariableIsEmpty("QTWEBENGINE_CHROMIUM_FLAGS")) {
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu");
    }
    // Without a sandbox the engine lists its whole set-up on stderr at start.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.webenginecontext.info=false"));
}

QWebEngineView* NewPreviewBrowser(QWidget* parent) {
    auto* browser = NamedControl<QWebEngineView>(parent, "WebBrowser1");
    QObject::connect(browser, &QWebEngineView::loadFinished, browser, [] { EndNavigationWait(); });
    // A browser closed while it loads (frmImage) never completes its navigation.
    QObject::connect(browser, &QObject::destroyed, [] { EndNavigationWait(); });
    return browser;
}

void NavigatePreview(QWebEngineView* browser, const QString& url) {
    if (!navigationWaiting) {
        navigationWaiting = true;
        QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    }
    browser->setUrl(QUrl(url));
}

}  // namespace pg
