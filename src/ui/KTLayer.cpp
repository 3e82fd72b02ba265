#include "ui/KTLayer.h"

QRectF KTLayer::frame() const
{
    const QSizeF size = m_bounds.size();
    const QPointF origin(m_position.x() - m_anchorPoint.x() * size.width(),
                         m_position.y() - m_anchorPoint.y() * size.height());
    return QRectF(origin, size);
}

void KTLayer::setFrame(const QRectF &frame)
{
    m_bounds.setSize(frame.size());
    m_position = QPointF(frame.x() + m_anchorPoint.x() * frame.width(),
                         frame.y() + m_anchorPoint.y() * frame.height());
}

QRectF KTLayer::kt_toWidgetRect(const QRectF &layerRect, double ownerHeight)
{
    return QRectF(layerRect.x(), ownerHeight - layerRect.y() - layerRect.height(),
                  layerRect.width(), layerRect.height());
}
