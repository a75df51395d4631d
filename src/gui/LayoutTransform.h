#pragma once

#include <QPointF>
#include <QRect>
#include <QRectF>

#include "present/BoardLayout.h"
#include "present/WindowFit.h"

namespace velmorak::gui {

// The one paint transform: layout pixels, scaled to the window and centred, then times the
// screen's device pixel ratio. Edges are rounded to device pixels one by one, so squares
// side by side share their edge and no seam shows between them.
class LayoutTransform {
public:
    LayoutTransform() = default;
    LayoutTransform(const LayoutFit& fit, double devicePixelRatio)
        : m_scale(fit.scale)
        , m_left(fit.left)
        , m_top(fit.top)
        , m_dpr(devicePixelRatio)
    {
    }

    double scale() const { return m_scale; }
    double devicePixelRatio() const { return m_dpr; }
    int deviceX(double layoutX) const;
    int deviceY(double layoutY) const;
    QRect toDevice(const Rect& rect) const;
    QPoint toDevice(const Point& point) const { return { deviceX(point.x), deviceY(point.y) }; }
    // The widget rectangle (logical pixels) that covers a layout rectangle.
    QRect toWidget(const Rect& rect) const;
    // The layout point under a widget point, rounded down.
    Point toLayout(QPointF widgetPoint) const;
    // A length in device pixels.
    int deviceLength(double layoutLength) const;

private:
    double m_scale = 1.0;
    double m_left = 0;
    double m_top = 0;
    double m_dpr = 1.0;
};

} // namespace velmorak::gui
