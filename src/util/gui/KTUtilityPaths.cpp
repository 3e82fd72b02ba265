#include "util/core/KTUtility.h"

#include <QPainterPath>

namespace {

// QPainterPath records closeSubpath() as a plain line back to the subpath's
// start, so a close is recognised as such a line that ends the subpath (the
// next element is a move or there is none). An explicit lineTo to the start
// at the end of a subpath reads the same way; closing it gives the same
// elements and outline, so the copy cannot differ from its source there.
bool closesSubpath(const QPainterPath &path, int index, QPointF subpathStart)
{
    const QPainterPath::Element e = path.elementAt(index);
    if (QPointF(e.x, e.y) != subpathStart)
        return false;
    const int next = index + 1;
    return next == path.elementCount() || path.elementAt(next).isMoveTo();
}

} // namespace

std::optional<QPainterPath> KTUtility::kt_DrawQuartzWithBezierPath(const QPainterPath &path)
{
    const int count = path.elementCount();
    if (count == 0)
        return std::nullopt;

    QPainterPath result;
    bool closed = true;
    QPointF subpathStart;
    for (int i = 0; i < count; ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        switch (e.type) {
        case QPainterPath::MoveToElement:
            subpathStart = QPointF(e.x, e.y);
            result.moveTo(subpathStart);
            break;
        case QPainterPath::LineToElement:
            if (closesSubpath(path, i, subpathStart)) {
                result.closeSubpath();
                closed = true;
            } else {
                result.lineTo(e.x, e.y);
                closed = false;
            }
            break;
        case QPainterPath::CurveToElement: {
            // QPainterPath always stores a curve as three elements: both
            // control points, then the end point.
            const QPainterPath::Element c2 = path.elementAt(i + 1);
            const QPainterPath::Element end = path.elementAt(i + 2);
            result.cubicTo(QPointF(e.x, e.y), QPointF(c2.x, c2.y), QPointF(end.x, end.y));
            closed = false;
            i += 2;
            break;
        }
        case QPainterPath::CurveToDataElement:
            break;
        }
    }
    if (!closed)
        result.closeSubpath();
    return result;
}

QPainterPath KTUtility::kt_DrawCircleWithRadius(double radius)
{
    QPainterPath rounded;
    rounded.addRoundedRect(QRectF(0, 0, 2 * radius, 2 * radius), radius, radius);
    return kt_DrawQuartzWithBezierPath(rounded).value_or(QPainterPath());
}
