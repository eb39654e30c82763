#include "gui/image_window.h"

#include "desktop/preview_rules.h"
#include "gui/controls.h"
#include "gui/preview_browser.h"
#include "gui/twips_layout.h"

#include <QEvent>
#include <QPushButton>
#include <QShortcut>
#include <QWebEngineView>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace pg {

namespace {

constexpr double kTwipsPerPixel = 15.0;

}  // namespace

ImageWindow::ImageWindow(const QString& url, QWidget* parent) : QDialog(parent) {
    setObjectName(u"frmImage"_s);
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    browser_ = NewPreviewBrowser(this);
    closeButton_ = NamedButton(this, "Command1", u"Command1"_s);
    closeButton_->setAutoDefault(false);
    closeButton_->raise();  // drawn over the browser
    connect(closeButton_, &QPushButton::clicked, this, &QDialog::close);
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, closeButton_, &QPushButton::click);

    TwipsLayout layout({6975, 6015});
    layout.place(browser_, 120, 120, 6735, 5775, TwipsLayout::Fit::None);
    layout.place(closeButton_, 6000, 3480, 615, 375, TwipsLayout::Fit::None);
    resize(layout.apply());
    // The caption needs more room than drawn: the button grows to the left, so
    // it stays inside the browser's area without stretching the whole window.
    QRect button = closeButton_->geometry();
    button.setLeft(std::min(button.left(), button.right() + 1 - closeButton_->sizeHint().width()));
    closeButton_->setGeometry(button);

    setWindowTitle(url);
    NavigatePreview(browser_, url);
}

void ImageWindow::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    fitBrowser();
}

void ImageWindow::moveEvent(QMoveEvent* event) {
    QDialog::moveEvent(event);
    fitBrowser();
}

bool ImageWindow::event(QEvent* event) {
    // The window manager frames the window after it is shown: its outer size
    // is known once it is active.
    if (event->type() == QEvent::WindowActivate) {
        fitBrowser();
    }
    return QDialog::event(event);
}

void ImageWindow::fitBrowser() {
    // The rule works on the outer size, frame and title bar included, in twips.
    const QSize outer = frameGeometry().size();
    const auto toTwips = [](int pixels) {
        return static_cast<int>(std::lround(pixels * kTwipsPerPixel));
    };
    const auto toPixels = [](int twips) {
        return static_cast<int>(std::lround(twips / kTwipsPerPixel));
    };
    // A side the rule leaves alone (-1) keeps its size in pixels.
    const QSize fitted =
        FitPreviewBrowser({toTwips(outer.width()), toTwips(outer.height())}, {-1, -1});
    browser_->resize(fitted.width() < 0 ? browser_->width() : toPixels(fitted.width()),
                     fitted.height() < 0 ? browser_->height() : toPixels(fitted.height()));
}

}  // namespace pg
