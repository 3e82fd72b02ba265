#include "ui/KTGeometry.h"
#include "ui/KTProgressIndicator.h"
#include "ui/KTScanProgressView.h"

#include <QTest>
#include <QVariantAnimation>

#include <cmath>
#include <numbers>

namespace {

const QColor fillColour = QColor::fromRgbF(80 / 255., 80 / 255., 80 / 255., 1);

class PaintCounter : public QObject
{
public:
    bool eventFilter(QObject *, QEvent *event) override
    {
        paints += event->type() == QEvent::Paint;
        return false;
    }
    int paints = 0;
};

// A backdrop far from every grey the view paints, so a ring pixel cannot be
// mistaken for the background.
const QColor backdrop(30, 60, 90);

bool isGrey(const QImage &image, int x, int y, int grey)
{
    const QColor c = image.pixelColor(x, y);
    return std::abs(c.red() - grey) <= 2 && std::abs(c.green() - grey) <= 2 && std::abs(c.blue() - grey) <= 2;
}

// How far one quadrant of the annulus 20..62 px round the middle of a
// 200 x 200 grab (inside the inner ring) is from the backdrop: the
// spinner's ink there.
long ink(const QImage &image, int signX, int signY)
{
    long sum = 0;
    for (int y = 0; y < 200; ++y) {
        for (int x = 0; x < 200; ++x) {
            const double dx = x + 0.5 - 100, dy = y + 0.5 - 100;
            const double r = std::hypot(dx, dy);
            if (r < 20 || r > 62 || (dx > 0) != (signX > 0) || (dy > 0) != (signY > 0))
                continue;
            const QRgb p = image.pixel(x, y);
            sum += std::abs(qRed(p) - backdrop.red()) + std::abs(qGreen(p) - backdrop.green())
                + std::abs(qBlue(p) - backdrop.blue());
        }
    }
    return sum;
}

std::unique_ptr<KTScanProgressView> makeView(bool busy, const QString &title)
{
    auto view = std::make_unique<KTScanProgressView>(QRectF(0, 0, 200, 200), busy);
    setKt_backgroundColor(*view, backdrop);
    view->setupWithTitle(title);
    return view;
}

} // namespace

// The two painted indicators of the extraction screen: the progress bar and
// the busy circle, as they come out on screen.
class TestUiIndicators : public QObject
{
    Q_OBJECT

private slots:
    // The value over the range's width, not clamped and not offset by the
    // minimum (0 to 120 out of the box). Half way the left half is fill and
    // the right half track; 100 of 120 ends at round(0.8333 * 200) = 167
    // with the pixel before it partly covered; past the range it is fill to
    // the edge; round corners cut both.
    void progressBar()
    {
        KTProgressIndicator bar;
        bar.resize(200, 20);
        const QColor track = bar.roundedColor();
        QVERIFY(track != fillColour);
        const auto at = [&bar](double value) {
            bar.setDoubleValue(value);
            return bar.grab().toImage();
        };
        QImage image = at(60);
        QCOMPARE(bar.fillShare(), 0.5f);
        QCOMPARE(image.pixelColor(0, 0), fillColour);
        QCOMPARE(image.pixelColor(99, 0), fillColour);
        QCOMPARE(image.pixelColor(100, 19), track);
        QCOMPARE(image.pixelColor(199, 19), track);
        image = at(100);
        QCOMPARE(image.pixelColor(165, 10), fillColour);
        QCOMPARE(image.pixelColor(167, 10), track);
        QVERIFY(image.pixelColor(166, 10) != fillColour && image.pixelColor(166, 10) != track);
        QCOMPARE(at(0).pixelColor(0, 10), track);
        QCOMPARE(at(500).pixelColor(199, 10), fillColour);

        bar.setCornerRadius(5);
        image = at(60);
        QVERIFY(image.pixelColor(0, 0) != fillColour);
        QVERIFY(image.pixelColor(199, 0) != track);
        QCOMPARE(image.pixelColor(50, 10), fillColour);

        bar.configProgressColor(Qt::black, Qt::white, 0, 20, 120, 60);
        QCOMPARE(bar.fillShare(), 0.6f);
        bar.setDoubleValue(240);
        QCOMPARE(bar.fillShare(), 2.4f);
    }

    // A new value repaints a shown bar with nothing else asking.
    void valueRepaints()
    {
        KTProgressIndicator bar;
        bar.resize(200, 20);
        bar.show();
        QVERIFY(QTest::qWaitForWindowExposed(&bar));
        QTest::qWait(20);
        PaintCounter counter;
        bar.installEventFilter(&counter);
        bar.setDoubleValue(30);
        QTRY_VERIFY(counter.paints > 0);
    }

    // Grey 240 out to the edge, grey 220 inside it, the spinner's head at
    // the top left of its trail while still; the caption below the middle,
    // 3 px right of centre, from widget row 86.
    void painted()
    {
        const auto view = makeView(true, QString());
        const QImage blank = view->grab().toImage();
        QCOMPARE(blank.pixelColor(1, 1), backdrop);
        QVERIFY(isGrey(blank, 100, 4, 240) && isGrey(blank, 4, 100, 240) && isGrey(blank, 195, 100, 240));
        QVERIFY(isGrey(blank, 100, 22, 220) && isGrey(blank, 22, 100, 220) && isGrey(blank, 100, 177, 220));
        QVERIFY(ink(blank, -1, -1) > ink(blank, 1, 1));

        view->setTitle(QStringLiteral("Scanning"));
        const QImage titled = view->grab().toImage();
        QRect changed;
        for (int y = 0; y < 200; ++y) {
            for (int x = 0; x < 200; ++x) {
                if (blank.pixel(x, y) != titled.pixel(x, y))
                    changed |= QRect(x, y, 1, 1);
            }
        }
        QVERIFY(!changed.isEmpty());
        QVERIFY(changed.top() >= 86 && changed.bottom() < 86 + 30);
        QVERIFY(std::abs((changed.left() + changed.right() + 1) / 2.0 - 103) <= 2);
    }

    // Busy: turns under "kt_rotate", clockwise on screen, rings still; a
    // second start replaces the spin. Not busy: start does nothing.
    void spins()
    {
        const auto view = makeView(true, QString());
        view->start();
        QVERIFY(view->hasAnimation(QStringLiteral("kt_rotate")));
        QVERIFY(view->isSpinning());
        QTRY_VERIFY(view->rotationAngle() < -0.05);
        const double first = view->rotationAngle();
        QTRY_VERIFY(view->rotationAngle() != first);
        QVERIFY(view->rotationAngle() > -2 * std::numbers::pi);

        // A quarter turn clockwise brings the head and the trail behind it
        // from the top left to the top right.
        QTRY_VERIFY(std::abs(view->rotationAngle() + std::numbers::pi / 2) < 0.25);
        const QImage image = view->grab().toImage();
        QVERIFY(ink(image, 1, -1) > ink(image, -1, 1));
        QVERIFY(ink(image, 1, -1) > ink(image, -1, -1));
        QVERIFY(isGrey(image, 100, 4, 240));

        view->start();
        QCOMPARE(view->findChildren<QVariantAnimation *>().size(), 1);

        const auto idle = makeView(false, QStringLiteral("Scanning"));
        idle->start();
        QVERIFY(!idle->hasAnimation(QStringLiteral("kt_rotate")));
        QCOMPARE(idle->rotationAngle(), 0.0);
        QVERIFY(isGrey(idle->grab().toImage(), 100, 4, 240));
    }

    // stop takes everything away (harmless on a view never set up) and a
    // new setup brings it back; the partial calls do only their part.
    void stopAndParts()
    {
        KTScanProgressView fresh(QRectF(0, 0, 200, 200), true);
        fresh.stop();
        QVERIFY(!fresh.circleLayer().isAttached());

        const auto view = makeView(true, QStringLiteral("Scanning"));
        view->start();
        view->stop();
        for (const KTLayer *layer : {&view->outerCircleLayer(), &view->innerCircleLayer(), &view->circleLayer(),
                                     &view->progressTextLayer()})
            QVERIFY(!layer->isAttached());
        QVERIFY(!view->hasAnimation(QStringLiteral("kt_rotate")));
        QCOMPARE(view->rotationAngle(), 0.0);
        const QImage empty = view->grab().toImage();
        for (int y = 0; y < empty.height(); ++y) {
            for (int x = 0; x < empty.width(); ++x)
                QVERIFY(empty.pixelColor(x, y) == backdrop);
        }
        view->setupWithTitle(QStringLiteral("Again"));
        QVERIFY(isGrey(view->grab().toImage(), 100, 4, 240));

        view->start();
        view->removeLayers();
        QVERIFY(!view->outerCircleLayer().isAttached() && !view->progressTextLayer().isAttached());
        QVERIFY(view->isSpinning());
        view->setupWithTitle(QStringLiteral("Again"));
        view->stopAnimation();
        QVERIFY(!view->hasAnimation(QStringLiteral("kt_rotate")));
        QVERIFY(view->circleLayer().isAttached() && view->progressTextLayer().isAttached());
    }
};

QTEST_MAIN(TestUiIndicators)
#include "tst_uiindicators.moc"
