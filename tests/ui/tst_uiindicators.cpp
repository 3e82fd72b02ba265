#include "ui/KTGeometry.h"
#include "ui/KTProgressIndicator.h"
#include "ui/KTScanProgressView.h"

#include <QTest>
#include <QVariantAnimation>

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
    // Half way the left half is fill and the right half track; past the
    // range it is fill to the edge. The share is not offset by the minimum.
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
        QCOMPARE(image.pixelColor(0, 0), fillColour);
        QCOMPARE(image.pixelColor(99, 0), fillColour);
        QCOMPARE(image.pixelColor(100, 19), track);
        QCOMPARE(image.pixelColor(199, 19), track);
        QCOMPARE(at(0).pixelColor(0, 10), track);
        QCOMPARE(at(500).pixelColor(199, 10), fillColour);
        bar.configProgressColor(Qt::black, Qt::white, 0, 20, 120, 60);
        QCOMPARE(bar.fillShare(), 0.6f);
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

    // The busy circle: rings painted once set up; busy, it turns under
    // "kt_rotate", clockwise on screen, and a second start replaces the
    // spin; not busy, start does nothing. stop takes the rings and the
    // caption away (harmless on a view never set up), and a new setup
    // brings them back.
    void busyCircle()
    {
        KTScanProgressView fresh(QRectF(0, 0, 200, 200), true);
        fresh.stop();
        QVERIFY(!fresh.circleLayer().isAttached());

        const auto view = makeView(true, QStringLiteral("Scanning"));
        QVERIFY(isGrey(view->grab().toImage(), 100, 4, 240) && isGrey(view->grab().toImage(), 100, 22, 220));
        view->start();
        QVERIFY(view->hasAnimation(QStringLiteral("kt_rotate")) && view->isSpinning());
        QTRY_VERIFY(view->rotationAngle() < -0.05);
        QVERIFY(view->rotationAngle() > -2 * std::numbers::pi);
        view->start();
        QCOMPARE(view->findChildren<QVariantAnimation *>().size(), 1);

        view->stop();
        QVERIFY(!view->hasAnimation(QStringLiteral("kt_rotate")));
        QCOMPARE(view->rotationAngle(), 0.0);
        const QImage empty = view->grab().toImage();
        for (int y = 0; y < empty.height(); ++y) {
            for (int x = 0; x < empty.width(); ++x)
                QVERIFY(empty.pixelColor(x, y) == backdrop);
        }
        view->setupWithTitle(QStringLiteral("Again"));
        QVERIFY(isGrey(view->grab().toImage(), 100, 4, 240));

        const auto idle = makeView(false, QStringLiteral("Scanning"));
        idle->start();
        QVERIFY(!idle->hasAnimation(QStringLiteral("kt_rotate")));
        QCOMPARE(idle->rotationAngle(), 0.0);
    }
};

QTEST_MAIN(TestUiIndicators)
#include "tst_uiindicators.moc"
