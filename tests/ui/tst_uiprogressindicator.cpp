#include "ui/KTProgressIndicator.h"

#include <QTest>

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

} // namespace

class TestUiProgressIndicator : public QObject
{
    Q_OBJECT

private slots:
    // The value over the range's width, not clamped and not offset by the
    // minimum; out of the box the range is 0 to 120.
    void fillShare()
    {
        KTProgressIndicator bar;
        bar.resize(200, 20);
        bar.setDoubleValue(60);
        QCOMPARE(bar.fillShare(), 0.5f);
        QCOMPARE(bar.fillRect(), QRectF(0, 0, 100, 20));
        bar.configProgressColor(Qt::black, Qt::white, 0, 20, 120, 60);
        QCOMPARE(bar.fillShare(), 0.6f);
        bar.setDoubleValue(240);
        QCOMPARE(bar.fillShare(), 2.4f);
    }

    // Half way the left half is fill and the right half track; 100 of 120
    // ends at round(0.8333 * 200) = 167 with the pixel before it partly
    // covered; 0 is track only; past the range it is fill to the edge.
    void paints()
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
        for (int x : {0, 99})
            QCOMPARE(image.pixelColor(x, 0), fillColour);
        for (int x : {100, 199})
            QCOMPARE(image.pixelColor(x, 19), track);
        image = at(100);
        QCOMPARE(image.pixelColor(165, 10), fillColour);
        QCOMPARE(image.pixelColor(167, 10), track);
        QVERIFY(image.pixelColor(166, 10) != fillColour && image.pixelColor(166, 10) != track);
        image = at(0);
        QCOMPARE(image.pixelColor(0, 10), track);
        image = at(500);
        QCOMPARE(image.pixelColor(199, 10), fillColour);

        bar.setCornerRadius(5);
        image = at(60);
        QVERIFY(image.pixelColor(0, 0) != fillColour);
        QVERIFY(image.pixelColor(199, 0) != track);
        QCOMPARE(image.pixelColor(50, 10), fillColour);
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
};

QTEST_MAIN(TestUiProgressIndicator)
#include "tst_uiprogressindicator.moc"
