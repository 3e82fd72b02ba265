#include "util/core/KTUtility.h"

#include <QPainterPath>
#include <QTest>

#include <cmath>

namespace {

QPointF pointAt(const QPainterPath &path, int index)
{
    const QPainterPath::Element e = path.elementAt(index);
    return QPointF(e.x, e.y);
}

} // namespace

class TestUtilityPaths : public QObject
{
    Q_OBJECT

private slots:
    // No elements, no path. An open outline, even one that passes its start
    // in the middle, is copied point for point and closed once at the end;
    // a closed one is copied as it is (a further line starts a new subpath
    // in both).
    void copies()
    {
        QVERIFY(!KTUtility::kt_DrawQuartzWithBezierPath(QPainterPath()).has_value());

        QPainterPath open(QPointF(0, 0));
        open.lineTo(10, 0);
        open.lineTo(0, 0);
        open.cubicTo(QPointF(12, 2), QPointF(12, 8), QPointF(10, 10));
        const auto closed = KTUtility::kt_DrawQuartzWithBezierPath(open);
        QVERIFY(closed.has_value());
        QCOMPARE(closed->elementCount(), open.elementCount() + 1);
        for (int i = 0; i < open.elementCount(); ++i) {
            QCOMPARE(closed->elementAt(i).type, open.elementAt(i).type);
            QCOMPARE(pointAt(*closed, i), pointAt(open, i));
        }
        QCOMPARE(pointAt(*closed, open.elementCount()), QPointF(0, 0));

        QPainterPath triangle(QPointF(0, 0));
        triangle.lineTo(10, 0);
        triangle.lineTo(0, 10);
        triangle.closeSubpath();
        auto copy = KTUtility::kt_DrawQuartzWithBezierPath(triangle);
        QVERIFY(copy.has_value());
        copy->lineTo(5, 5);
        triangle.lineTo(5, 5);
        QCOMPARE(*copy, triangle);
    }

    // Radius 10: a closed circle in (0, 0)-(20, 20), every point 10 from (10, 10).
    void circle()
    {
        const QPainterPath circle = KTUtility::kt_DrawCircleWithRadius(10);
        QCOMPARE(pointAt(circle, circle.elementCount() - 1), pointAt(circle, 0));
        const QRectF box = circle.boundingRect();
        QVERIFY(std::abs(box.left()) < 1e-9 && std::abs(box.top()) < 1e-9);
        QVERIFY(std::abs(box.width() - 20) < 1e-9 && std::abs(box.height() - 20) < 1e-9);
        for (int step = 0; step <= 40; ++step) {
            const QPointF p = circle.pointAtPercent(step / 40.0);
            QVERIFY(std::abs(std::hypot(p.x() - 10, p.y() - 10) - 10) < 0.05);
        }
    }
};

QTEST_MAIN(TestUtilityPaths)
#include "tst_utilitypaths.moc"
