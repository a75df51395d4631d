#include "gui/LayoutTransform.h"

#include <cmath>

namespace velmorak::gui {

int LayoutTransform::deviceX(double layoutX) const
{
    return int(std::lround((m_left + layoutX * m_scale) * m_dpr));
}

int LayoutTransform::deviceY(double layoutY) const
{
    return int(std::lround((m_top + layoutY * m_scale) * m_dpr));
}

QRect LayoutTransform::toDevice(const Rect& rect) const
{
    const int left = deviceX(rect.left), top = deviceY(rect.top);
    return QRect(left, top, deviceX(rect.right) - left, deviceY(rect.bottom) - top);
}

QRect LayoutTransform::toWidget(const Rect& rect) const
{
    const double left = m_left + rect.left * m_scale, top = m_top + rect.top * m_scale;
    const double right = m_left + rect.right * m_scale, bottom = m_top + rect.bottom * m_scale;
    return QRect(QPoint(int(std::floor(left)), int(std::floor(top))),
        QPoint(int(std::ceil(right)), int(std::ceil(bottom))));
}

Point LayoutTransform::toLayout(QPointF widgetPoint) const
{
    return { int(std::floor((widgetPoint.x() - m_left) / m_scale)),
        int(std::floor((widgetPoint.y() - m_top) / m_scale)) };
}

int LayoutTransform::deviceLength(double layoutLength) const
{
    return std::max(1, int(std::lround(layoutLength * m_scale * m_dpr)));
}

} // namespace velmorak::gui
