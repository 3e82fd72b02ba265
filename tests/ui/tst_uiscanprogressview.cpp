#include "KTGeometry.h"
#include "KTScanProgressView.h"

#include <QApplication>
#include <QTest>
#include <QVariantAnimation>

#include <cmath>
#include <numbers>

namespace {

// A backdrop far from every grey the view paints, so a ring pixel cannot
// be mistaken for the background.
const QColor backdrop(30, 60, 90);

bool near(const QColor &actual, int grey, int tolerance = 2)
{
    return std::abs(actual.red() - grey) <= tolerance && std::abs(actual.green() - grey) <= tolerance
        && std::abs(actual.blue() - grey) <= tolerance && actual.alpha() == 255;
}

QString describe(const QColor &c)
{
    return QStringLiteral("rgba %1 %2 %3 %4").arg(c.red()).arg(c.green()).arg(c.blue()).arg(c.alpha());
}

int colourDistance(QRgb a, QRgb b)
{
    return std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b))
        + std::abs(qAlpha(a) - qAlpha(b));
}

// How much the spinner covers in one quadrant of the annulus 20..62 px
// round the centre of a 200 x 200 grab (inside the inner ring), measured
// against the untouched corner.
long ink(const QImage &image, int quadrantX, int quadrantY)
{
    const QRgb background = image.pixel(1, 1);
    long sum = 0;
    for (int y = 0; y < 200; ++y) {
        for (int x = 0; x < 200; ++x) {
            const double dx = x + 0.5 - 100, dy = y + 0.5 - 100;
            const double r = std::hypot(dx, dy);
            if (r < 20 || r > 62 || (dx > 0) != (quadrantX > 0) || (dy > 0) != (quadrantY > 0))
                continue;
            sum += colourDistance(image.pixel(x, y), background);
        }
    }
    return sum;
}

} // namespace

class TestUiScanProgressView : public QObject
{
    Q_OBJECT

private slots:
    // The 200 x 200 layout: rings of 92.5 and 77.5, a 145 px image and a
    // 20 px caption whose layer sits at (83, -6) with anchor (0.4, 0.4).
    void layoutSquare()
    {
        KTScanProgressView view(QRectF(10, 20, 200, 200), true);
        QCOMPARE(view.geometry(), QRect(10, 20, 200, 200));
        QVERIFY(view.isBusy());
        QVERIFY(!view.outerCircleLayer().isAttached());
        view.setupWithTitle(QStringLiteral("Scanning"));

        const KTLayer &outer = view.outerCircleLayer();
        QCOMPARE(outer.bounds(), QRectF(0, 0, 185, 185));
        QCOMPARE(outer.position(), QPointF(100, 100));
        QCOMPARE(outer.frame(), QRectF(7.5, 7.5, 185, 185));
        QCOMPARE(outer.lineWidth(), 15.0);
        QCOMPARE(outer.strokeColor(), QColor::fromRgbF(240 / 255., 240 / 255., 240 / 255., 1));
        QVERIFY(!outer.fillColor().isValid());
        QVERIFY(std::abs(outer.path().boundingRect().width() - 185) < 1e-9);

        const KTLayer &inner = view.innerCircleLayer();
        QCOMPARE(inner.bounds(), QRectF(0, 0, 155, 155));
        QCOMPARE(inner.position(), QPointF(100, 100));
        QCOMPARE(inner.lineWidth(), 15.0);
        QCOMPARE(inner.strokeColor(), QColor::fromRgbF(220 / 255., 220 / 255., 220 / 255., 1));
        QVERIFY(std::abs(inner.path().boundingRect().width() - 155) < 1e-9);

        QCOMPARE(view.circleLayer().bounds(), QRectF(0, 0, 145, 145));
        QCOMPARE(view.circleLayer().position(), QPointF(100, 100));

        const KTLayer &caption = view.progressTextLayer();
        QCOMPARE(caption.bounds(), QRectF(0, 0, 200, 200));
        QCOMPARE(caption.anchorPoint(), QPointF(0.4, 0.4));
        QCOMPARE(caption.position(), QPointF(83, -6));
        QCOMPARE(caption.frame(), QRectF(3, -86, 200, 200));
        QVERIFY(!caption.isHidden());
        QCOMPARE(view.title(), QStringLiteral("Scanning"));
        QCOMPARE(view.captionFont().pixelSize(), 20);
        QCOMPARE(view.captionFont().weight(), QFont::Light);
        QCOMPARE(view.captionFont().family(), QApplication::font().family());

        for (const KTLayer *layer : {&outer, &inner, &view.circleLayer(), &caption})
            QVERIFY(layer->isAttached());
    }

    // A wide view sizes the rings by its height; the image takes both sides.
    void layoutWide()
    {
        KTScanProgressView view(QRectF(0, 0, 300, 200), true);
        view.setupWithTitle(QString());
        QCOMPARE(view.outerCircleLayer().bounds(), QRectF(0, 0, 185, 185));
        QCOMPARE(view.innerCircleLayer().bounds(), QRectF(0, 0, 155, 155));
        QCOMPARE(view.outerCircleLayer().position(), QPointF(150, 100));
        QCOMPARE(view.circleLayer().bounds(), QRectF(0, 0, 245, 145));
        QCOMPARE(view.progressTextLayer().position(), QPointF(133, -6));
        QCOMPARE(view.captionFont().pixelSize(), 20);
    }

    // The rings as painted: grey 240 out to the view's edge, grey 220 inside
    // it; the spinner's brightest dash at the top while still.
    void paintedRingsAndImage()
    {
        KTScanProgressView view(QRectF(0, 0, 200, 200), true);
        setKt_backgroundColor(view, backdrop);
        view.setupWithTitle(QString());
        const QImage image = view.grab().toImage();
        QCOMPARE(image.pixelColor(1, 1), backdrop);
        for (const QPoint &p : {QPoint(100, 4), QPoint(4, 100), QPoint(195, 100), QPoint(100, 195)})
            QVERIFY2(near(image.pixelColor(p), 240), qPrintable(describe(image.pixelColor(p))));
        for (const QPoint &p : {QPoint(100, 22), QPoint(22, 100), QPoint(177, 100), QPoint(100, 177)})
            QVERIFY2(near(image.pixelColor(p), 220), qPrintable(describe(image.pixelColor(p))));
        const QColor top = image.pixelColor(100, 45);
        QVERIFY2(top.blue() > top.red() + 40, qPrintable(describe(top)));
        QVERIFY(ink(image, -1, -1) > ink(image, 1, 1));
    }

    // The caption lands below the middle, 3 px right of centre, in the
    // caption band (widget y 86 onwards).
    void paintedCaption()
    {
        KTScanProgressView view(QRectF(0, 0, 200, 200), true);
        setKt_backgroundColor(view, backdrop);
        view.setupWithTitle(QString());
        const QImage blank = view.grab().toImage();
        view.setTitle(QStringLiteral("Scanning"));
        const QImage titled = view.grab().toImage();
        QRect changed;
        for (int y = 0; y < 200; ++y) {
            for (int x = 0; x < 200; ++x) {
                if (blank.pixel(x, y) != titled.pixel(x, y))
                    changed |= QRect(x, y, 1, 1);
            }
        }
        QVERIFY(!changed.isEmpty());
        QVERIFY2(changed.top() >= 86 && changed.bottom() < 86 + 30,
                 qPrintable(QStringLiteral("rows %1..%2").arg(changed.top()).arg(changed.bottom())));
        const double middle = (changed.left() + changed.right() + 1) / 2.0;
        QVERIFY2(std::abs(middle - 103) <= 2, qPrintable(QString::number(middle)));
    }

    // Busy: spins under "kt_rotate" clockwise on screen, one turn a second,
    // and keeps the rings still.
    void spins()
    {
        KTScanProgressView view(QRectF(0, 0, 200, 200), true);
        setKt_backgroundColor(view, backdrop);
        view.setupWithTitle(QString());
        view.start();
        QVERIFY(view.hasAnimation(QStringLiteral("kt_rotate")));
        QVERIFY(view.isSpinning());
        QTRY_VERIFY(view.rotationAngle() < -0.05);
        const double first = view.rotationAngle();
        QTRY_VERIFY(view.rotationAngle() != first);
        QVERIFY(view.rotationAngle() > -2 * std::numbers::pi);

        // A quarter turn clockwise takes the bright head and the trail behind
        // it from the top left to the top right.
        QTRY_VERIFY(std::abs(view.rotationAngle() + std::numbers::pi / 2) < 0.25);
        const QImage image = view.grab().toImage();
        const long topRight = ink(image, 1, -1);
        QVERIFY(topRight > ink(image, -1, 1));
        QVERIFY(topRight > ink(image, -1, -1));
        QVERIFY(near(image.pixelColor(100, 4), 240));

        view.start();
        QVERIFY(view.hasAnimation(QStringLiteral("kt_rotate")));
        QCOMPARE(view.findChildren<QVariantAnimation *>().size(), 1);
    }

    // Not busy: start leaves it still, and it is drawn all the same.
    void idleViewStaysStill()
    {
        KTScanProgressView view(QRectF(0, 0, 200, 200), false);
        setKt_backgroundColor(view, backdrop);
        view.setupWithTitle(QStringLiteral("Scanning"));
        view.start();
        QVERIFY(!view.hasAnimation(QStringLiteral("kt_rotate")));
        QVERIFY(!view.isSpinning());
        QCOMPARE(view.rotationAngle(), 0.0);
        const QImage image = view.grab().toImage();
        QVERIFY(near(image.pixelColor(100, 4), 240));
        QVERIFY(near(image.pixelColor(100, 22), 220));
        QVERIFY(view.progressTextLayer().isAttached());
    }

    // stop takes everything away (harmless on a view never set up), and a
    // new setup brings it all back; the partial calls do only their part.
    void stopAndParts()
    {
        KTScanProgressView fresh(QRectF(0, 0, 200, 200), true);
        fresh.stop();
        QVERIFY(!fresh.circleLayer().isAttached());
        QVERIFY(!fresh.hasAnimation(QStringLiteral("kt_rotate")));

        KTScanProgressView view(QRectF(0, 0, 200, 200), true);

        setKt_backgroundColor(view, backdrop);
        view.setupWithTitle(QStringLiteral("Scanning"));
        view.start();
        view.stop();
        for (const KTLayer *layer : {&view.outerCircleLayer(), &view.innerCircleLayer(), &view.circleLayer(),
                                     &view.progressTextLayer()})
            QVERIFY(!layer->isAttached());
        QVERIFY(!view.hasAnimation(QStringLiteral("kt_rotate")));
        QCOMPARE(view.rotationAngle(), 0.0);
        const QImage empty = view.grab().toImage();
        for (int y = 0; y < empty.height(); ++y) {
            for (int x = 0; x < empty.width(); ++x)
                QVERIFY(empty.pixelColor(x, y) == backdrop);
        }

        view.setupWithTitle(QStringLiteral("Again"));
        QVERIFY(view.circleLayer().isAttached());
        QVERIFY(near(view.grab().toImage().pixelColor(100, 4), 240));

        view.start();
        view.removeLayers();
        QVERIFY(!view.outerCircleLayer().isAttached());
        QVERIFY(!view.progressTextLayer().isAttached());
        QVERIFY(view.isSpinning());

        view.setupWithTitle(QStringLiteral("Again"));
        view.stopAnimation();
        QVERIFY(!view.hasAnimation(QStringLiteral("kt_rotate")));
        QVERIFY(view.circleLayer().isAttached());
        QVERIFY(view.progressTextLayer().isAttached());
    }
};

QTEST_MAIN(TestUiScanProgressView)
#include "tst_uiscanprogressview.moc"
