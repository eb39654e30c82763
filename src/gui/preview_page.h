#pragma once

#include <QUrl>
#include <QWebEnginePage>

class QWebEngineProfile;

namespace pg {

// A page that shows one listed file and does nothing else: no script, no
// plug-in, no pop-up, no permission, no download, no local file, nothing from
// another origin, and no navigation away from the entry. A link clicked, a
// refresh or a form leads nowhere; the redirects that the server answers to
// the entry itself are followed.
class PreviewPage : public QWebEnginePage {
    Q_OBJECT
public:
    explicit PreviewPage(QObject* parent = nullptr);

    // Loads the entry (a URL of a previewable scheme, without credentials).
    void showEntry(const QUrl& url);

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;
    QWebEnginePage* createWindow(WebWindowType type) override;
    QStringList chooseFiles(FileSelectionMode mode, const QStringList& oldFiles,
                            const QStringList& acceptedMimeTypes) override;

private:
    // Where the entry's own load stands: asked for, under way (its server
    // redirects are followed), or done (nothing more is followed).
    enum class Phase { Done, Requested, Loading };
    Phase phase_ = Phase::Done;
};

// The one profile of every preview: off the record (nothing is kept on disk),
// locked-down settings, no cookies, requests only to the page's own origin,
// downloads cancelled. Created on first use; lives as long as the application.
QWebEngineProfile* PreviewProfile();

}  // namespace pg
