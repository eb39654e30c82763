#include "gui/preview_browser.h"

#include "desktop/preview_rules.h"
#include "gui/controls.h"
#include "gui/preview_page.h"

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
    browser->setPage(new PreviewPage(browser));
    // Its menu would offer back, reload, source and saving: none belongs to a preview.
    browser->setContextMenuPolicy(Qt::NoContextMenu);
    QObject::connect(browser, &QWebEngineView::loadFinished, browser, [] { EndNavigationWait(); });
    // A browser closed while it loads (frmImage) never completes its navigation.
    QObject::connect(browser, &QObject::destroyed, [] { EndNavigationWait(); });
    return browser;
}

void NavigatePreview(QWebEngineView* browser, const QString& entry) {
    auto* page = qobject_cast<PreviewPage*>(browser->page());
    const QUrl location = PreviewLocation(entry);
    if (!page || !IsPreviewScheme(location)) {
        return;
    }
    if (!navigationWaiting) {
        navigationWaiting = true;
        QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    }
    page->showEntry(location);
}

}  // namespace pg
