#include "gui/transfer_animation.h"

#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace pg {

namespace {

constexpr int kFrameMs = 60;

void PaintGlobe(QPainter& p, const QRectF& r) {
    QRadialGradient sea(r.center() - QPointF(r.width() / 5, r.height() / 5), r.width() * 0.7);
    sea.setColorAt(0, QColor(120, 180, 255));
    sea.setColorAt(1, QColor(20, 70, 170));
    p.setPen(QPen(QColor(15, 45, 110), 1));
    p.setBrush(sea);
    p.drawEllipse(r);

    p.setPen(QPen(QColor(200, 225, 255, 170), 1));
    p.setBrush(Qt::NoBrush);
    const QPointF c = r.center();
    for (const double f : {0.35, 0.75}) {  // meridians
        p.drawEllipse(c, r.width() / 2 * f, r.height() / 2);
    }
    p.drawLine(QPointF(c.x(), r.top()), QPointF(c.x(), r.bottom()));
    for (const double f : {-0.45, 0.0, 0.45}) {  // parallels
        const double y = c.y() + r.height() / 2 * f;
        const double half = r.width() / 2 * std::sqrt(1 - f * f);
        p.drawLine(QPointF(c.x() - half, y), QPointF(c.x() + half, y));
    }
}

void PaintFolder(QPainter& p, const QRectF& r) {
    const QColor edge(150, 110, 20);
    p.setPen(QPen(edge, 1));
    p.setBrush(QColor(225, 180, 60));
    QPainterPath back;
    const double tabH = r.height() * 0.18;
    back.moveTo(r.left(), r.top() + tabH);
    back.lineTo(r.left(), r.top());
    back.lineTo(r.left() + r.width() * 0.4, r.top());
    back.lineTo(r.left() + r.width() * 0.5, r.top() + tabH);
    back.lineTo(r.right(), r.top() + tabH);
    back.lineTo(r.right(), r.bottom());
    back.lineTo(r.left(), r.bottom());
    back.closeSubpath();
    p.drawPath(back);
    p.setBrush(QColor(250, 210, 90));
    p.drawRect(QRectF(r.left(), r.top() + tabH * 2, r.width(), r.height() - tabH * 2));
}

void PaintSheet(QPainter& p, const QRectF& r) {
    p.setPen(QPen(QColor(90, 90, 90), 1));
    p.setBrush(Qt::white);
    p.drawRect(r);
    p.setPen(QPen(QColor(150, 150, 170), 1));
    for (int i = 1; i <= 3; ++i) {
        const double y = r.top() + r.height() * i / 4.5;
        p.drawLine(QPointF(r.left() + 2, y), QPointF(r.right() - 2, y));
    }
}

}  // namespace

TransferAnimation::TransferAnimation(QWidget* parent) : QWidget(parent) {
    timer_.setInterval(kFrameMs);
    connect(&timer_, &QTimer::timeout, this, &TransferAnimation::advance);
}

void TransferAnimation::start() {
    frame_ = 0;
    timer_.start();
    update();
}

void TransferAnimation::stop() {
    timer_.stop();
    update();
}

void TransferAnimation::advance() {
    frame_ = (frame_ + 1) % kFrameCount;
    update();
}

void TransferAnimation::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);

    const double h = height();
    const double size = std::max(8.0, h - 6);
    const QRectF globe(4, (h - size) / 2, size, size);
    const double folderW = size * 1.3;
    const QRectF folder(width() - folderW - 4, (h - size * 0.8) / 2, folderW, size * 0.8);
    PaintGlobe(p, globe);
    PaintFolder(p, folder);
    if (!isRunning()) {
        return;
    }

    // The sheet rises out of the globe and sinks into the folder along a flat arc.
    const double t = static_cast<double>(frame_) / (kFrameCount - 1);
    const QSizeF sheet(size * 0.45, size * 0.6);
    const QPointF from = globe.center();
    const QPointF to = folder.center();
    const double lift =
        std::max(0.0, (h - sheet.height()) / 2 - 1) * std::sin(std::numbers::pi * t);
    const QPointF at(from.x() + (to.x() - from.x()) * t, from.y() + (to.y() - from.y()) * t - lift);
    PaintSheet(p, QRectF(at - QPointF(sheet.width() / 2, sheet.height() / 2), sheet));
}

}  // namespace pg
