#include "KTUtility.h"

#include <QPainterPath>
#include <QTest>

#include <cmath>

namespace {

QPointF pointAt(const QPainterPath &path, int index)
{
    const QPainterPath::Element e = path.elementAt(index);
    return QPointF(e.x, e.y);
}

// The last element ends where the last subpath began.
bool endsClosed(const QPainterPath &path)
{
    int start = 0;
    for (int i = 0; i < path.elementCount(); ++i) {
        if (path.elementAt(i).isMoveTo())
            start = i;
    }
    return pointAt(path, path.elementCount() - 1) == pointAt(path, start);
}

} // namespace

class TestUtilityPaths : public QObject
{
    Q_OBJECT

private slots:
    // No elements, no path; a lone move is copied and left as it is.
    void emptyAndMoveOnly()
    {
        QVERIFY(!KTUtility::kt_DrawQuartzWithBezierPath(QPainterPath()).has_value());
        const auto moveOnly = KTUtility::kt_DrawQuartzWithBezierPath(QPainterPath(QPointF(3, 4)));
        QVERIFY(moveOnly.has_value());
        QCOMPARE(moveOnly->elementCount(), 1);
        QCOMPARE(pointAt(*moveOnly, 0), QPointF(3, 4));
    }

    // An open outline is copied point for point and closed once at the end;
    // a closed one is copied without a second closing line.
    void openAndClosedOutlines()
    {
        QPainterPath open(QPointF(0, 0));
        open.lineTo(10, 0);
        open.cubicTo(QPointF(12, 2), QPointF(12, 8), QPointF(10, 10));
        const auto closedCopy = KTUtility::kt_DrawQuartzWithBezierPath(open);
        QVERIFY(closedCopy.has_value());
        QCOMPARE(closedCopy->elementCount(), open.elementCount() + 1);
        for (int i = 0; i < open.elementCount(); ++i) {
            QCOMPARE(closedCopy->elementAt(i).type, open.elementAt(i).type);
            QCOMPARE(pointAt(*closedCopy, i), pointAt(open, i));
        }
        QVERIFY(endsClosed(*closedCopy));

        QPainterPath triangle(QPointF(0, 0));
        triangle.lineTo(10, 0);
        triangle.lineTo(0, 10);
        triangle.closeSubpath();
        auto copy = KTUtility::kt_DrawQuartzWithBezierPath(triangle);
        QVERIFY(copy.has_value());
        QCOMPARE(*copy, triangle);
        // Still closed rather than merely back at the start: a further line
        // begins a new subpath in both.
        copy->lineTo(5, 5);
        triangle.lineTo(5, 5);
        QCOMPARE(*copy, triangle);
    }

    // Only a line back to the start that ends its subpath counts as a close;
    // one in the middle leaves the outline open, so it is closed at the end.
    void returnToStartInTheMiddle()
    {
        QPainterPath path(QPointF(0, 0));
        path.lineTo(10, 0);
        path.lineTo(0, 0);
        path.lineTo(0, 10);
        const auto copy = KTUtility::kt_DrawQuartzWithBezierPath(path);
        QVERIFY(copy.has_value());
        QCOMPARE(copy->elementCount(), path.elementCount() + 1);
        QVERIFY(endsClosed(*copy));
    }

    // Only the last subpath is closed at the end: a closed one after an
    // open one leaves the open one as it was.
    void lastSubpathDecides()
    {
        QPainterPath path(QPointF(0, 0));
        path.lineTo(10, 0);
        path.moveTo(20, 20);
        path.lineTo(30, 20);
        path.lineTo(20, 30);
        path.closeSubpath();
        auto copy = KTUtility::kt_DrawQuartzWithBezierPath(path);
        QVERIFY(copy.has_value());
        QCOMPARE(*copy, path);
        copy->lineTo(5, 5);
        path.lineTo(5, 5);
        QCOMPARE(*copy, path);
    }

    // Radius 10: a closed circle in (0, 0)-(20, 20), every point 10 from (10, 10).
    void circle()
    {
        const QPainterPath circle = KTUtility::kt_DrawCircleWithRadius(10);
        QVERIFY(circle.elementCount() > 1);
        QVERIFY(endsClosed(circle));
        const QRectF box = circle.boundingRect();
        QVERIFY(std::abs(box.left()) < 1e-9 && std::abs(box.top()) < 1e-9);
        QVERIFY(std::abs(box.width() - 20) < 1e-9 && std::abs(box.height() - 20) < 1e-9);
        for (int step = 0; step <= 40; ++step) {
            const QPointF p = circle.pointAtPercent(step / 40.0);
            QVERIFY2(std::abs(std::hypot(p.x() - 10, p.y() - 10) - 10) < 0.05,
                     qPrintable(QStringLiteral("point %1,%2").arg(p.x()).arg(p.y())));
        }
        QVERIFY(circle.contains(QPointF(10, 10)));
        QVERIFY(!circle.contains(QPointF(1, 1)));
    }
};

QTEST_MAIN(TestUtilityPaths)
#include "tst_utilitypaths.moc"
