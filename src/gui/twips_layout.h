#pragma once

#include <QRect>
#include <QSize>

#include <vector>

class QWidget;

namespace pg {

// Places controls at fixed positions given in twips (15 twips = 1 pixel at
// 96 dpi), the way the windows were drawn. When the platform font needs more
// room than the drawing gave a caption or a text box, every position and size
// grows by the same factor per axis, so the arrangement stays as drawn and no
// caption is clipped.
class TwipsLayout {
public:
    explicit TwipsLayout(QSize clientTwips) : client_(clientTwips) {}

    // How a control's needed size is measured.
    enum class Fit { Caption, TextBox, None };

    // fitWidth, when given, is the room in twips the caption must fit in, where
    // that is less than the control's own width (a caption before a value column).
    void place(QWidget* widget, int left, int top, int width, int height, Fit fit = Fit::Caption,
               int fitWidth = 0);
    // Positions every control and returns the client size in pixels.
    QSize apply();

    double scaleX() const { return sx_; }
    double scaleY() const { return sy_; }
    // A length in twips in pixels, along x or y.
    int toPixelsX(int twips) const;
    int toPixelsY(int twips) const;

private:
    struct Item {
        QWidget* widget;
        QRect twips;
        Fit fit;
        int fitWidth;
    };
    static QSize neededSize(const Item& item);

    QSize client_;
    std::vector<Item> items_;
    double sx_ = 1.0;
    double sy_ = 1.0;
};

// Moves a top-level window to the centre of its screen's available area.
void CentreOnScreen(QWidget* window);

}  // namespace pg
