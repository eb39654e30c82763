#include "gui/twips_layout.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QScreen>
#include <QStyle>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace pg {

namespace {

constexpr double kTwipsPerPixel = 15.0;

QString CaptionOf(const QWidget* widget) {
    QString text;
    if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) {
        text = button->text();
    } else if (const auto* label = qobject_cast<const QLabel*>(widget)) {
        text = label->text();
    }
    text.remove(QLatin1Char('&'));  // access-key marks take no room
    return text;
}

}  // namespace

void TwipsLayout::place(QWidget* widget, int left, int top, int width, int height, Fit fit,
                        int fitWidth) {
    items_.push_back({widget, QRect(left, top, width, height), fit, fitWidth});
}

QSize TwipsLayout::neededSize(const Item& item) {
    const QWidget* w = item.widget;
    const QFontMetrics fm = w->fontMetrics();
    switch (item.fit) {
        case Fit::Caption: {
            int extra = 4;
            if (qobject_cast<const QCheckBox*>(w)) {
                extra += w->style()->pixelMetric(QStyle::PM_IndicatorWidth) +
                         w->style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing);
            } else if (qobject_cast<const QAbstractButton*>(w)) {
                extra += 2 * w->style()->pixelMetric(QStyle::PM_ButtonMargin);
            }
            return {fm.horizontalAdvance(CaptionOf(w)) + extra, fm.height() + 2};
        }
        case Fit::TextBox:
            return {0, fm.height() + 6};
        case Fit::None:
            break;
    }
    return {0, 0};
}

QSize TwipsLayout::apply() {
    sx_ = 1.0;
    sy_ = 1.0;
    for (const Item& item : items_) {
        const QSize need = neededSize(item);
        const double designW =
            (item.fitWidth > 0 ? item.fitWidth : item.twips.width()) / kTwipsPerPixel;
        const double designH = item.twips.height() / kTwipsPerPixel;
        if (designW > 0) {
            sx_ = std::max(sx_, need.width() / designW);
        }
        if (designH > 0) {
            sy_ = std::max(sy_, need.height() / designH);
        }
    }
    for (const Item& item : items_) {
        const int left = toPixelsX(item.twips.left());
        const int top = toPixelsY(item.twips.top());
        const int right = toPixelsX(item.twips.left() + item.twips.width());
        const int bottom = toPixelsY(item.twips.top() + item.twips.height());
        item.widget->setGeometry(left, top, right - left, bottom - top);
    }
    return {toPixelsX(client_.width()), toPixelsY(client_.height())};
}

int TwipsLayout::toPixelsX(int twips) const {
    return static_cast<int>(std::lround(twips / kTwipsPerPixel * sx_));
}

int TwipsLayout::toPixelsY(int twips) const {
    return static_cast<int>(std::lround(twips / kTwipsPerPixel * sy_));
}

}  // namespace pg

namespace pg {

void CentreOnScreen(QWidget* window) {
    if (const QScreen* screen = window->screen()) {
        QRect frame = window->frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        window->move(frame.topLeft());
    }
}

}  // namespace pg
