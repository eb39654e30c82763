#pragma once

#include <QDialog>

class QPushButton;
class QWebEngineView;

namespace pg {

// frmImage: one listed file alone in a resizable window titled with its URL.
// Command1, drawn over the browser, closes it and is pressed by Esc.
class ImageWindow : public QDialog {
    Q_OBJECT
public:
    explicit ImageWindow(const QString& url, QWidget* parent = nullptr);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    bool event(QEvent* event) override;

private:
    // The browser follows the window's outer size (the resize rule).
    void fitBrowser();

    QWebEngineView* browser_ = nullptr;
    QPushButton* closeButton_ = nullptr;
};

}  // namespace pg
