#pragma once

#include <QColor>
#include <QPainterPath>
#include <QPointF>
#include <QRectF>

// The geometry and look of one thing a widget paints (a ring, an image, a
// caption). Coordinates are those of the owning widget's layer: origin at
// the bottom-left, y up. The frame is derived from bounds, position and
// anchor point, so resizing keeps the anchor point where it is.
class KTLayer
{
public:
    KTLayer() = default;
    virtual ~KTLayer() = default;

    QRectF bounds() const { return m_bounds; }
    void setBounds(const QRectF &bounds) { m_bounds = bounds; }
    // Where the anchor point sits in the owner's coordinates.
    QPointF position() const { return m_position; }
    void setPosition(const QPointF &position) { m_position = position; }
    // Unit coordinates within the bounds; (0.5, 0.5) is the middle.
    QPointF anchorPoint() const { return m_anchorPoint; }
    void setAnchorPoint(const QPointF &anchorPoint) { m_anchorPoint = anchorPoint; }

    // (position - anchor * size, size). Sizes are used as they are, negative
    // ones included.
    QRectF frame() const;
    // Sets the bounds size and moves the position so the frame is the rect.
    virtual void setFrame(const QRectF &frame);

    bool isHidden() const { return m_hidden; }
    void setHidden(bool hidden) { m_hidden = hidden; }
    // Only attached layers are part of the owner's drawing.
    bool isAttached() const { return m_attached; }
    void setAttached(bool attached) { m_attached = attached; }

    // An outline in the layer's own coordinates (origin at the bounds'
    // bottom-left), stroked and filled when painted; empty for none.
    QPainterPath path() const { return m_path; }
    void setPath(const QPainterPath &path) { m_path = path; }
    // An invalid colour means no fill or no stroke.
    QColor fillColor() const { return m_fillColor; }
    void setFillColor(const QColor &color) { m_fillColor = color; }
    QColor strokeColor() const { return m_strokeColor; }
    void setStrokeColor(const QColor &color) { m_strokeColor = color; }
    double lineWidth() const { return m_lineWidth; }
    void setLineWidth(double width) { m_lineWidth = width; }

    // A rect in layer coordinates as the owner (ownerHeight high) paints it:
    // same size, y flipped.
    static QRectF kt_toWidgetRect(const QRectF &layerRect, double ownerHeight);

private:
    QRectF m_bounds;
    QPointF m_position;
    QPointF m_anchorPoint{0.5, 0.5};
    bool m_hidden = false;
    bool m_attached = false;
    QPainterPath m_path;
    QColor m_fillColor;
    QColor m_strokeColor;
    double m_lineWidth = 1.0;
};
