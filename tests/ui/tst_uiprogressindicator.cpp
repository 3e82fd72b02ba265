#include "KTProgressIndicator.h"

#include <QTest>

namespace {

const QColor fillColour = QColor::fromRgbF(80 / 255., 80 / 255., 80 / 255., 1);

QImage paintedAt(KTProgressIndicator &bar, double value)
{
    bar.setDoubleValue(value);
    return bar.grab().toImage();
}

// Counts the paint events a widget receives.
class PaintCounter : public QObject
{
public:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
    int paints = 0;
};

} // namespace

class TestUiProgressIndicator : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_bar = std::make_unique<KTProgressIndicator>();
        m_bar->resize(200, 20);
    }

    // As placed in a .ui: dark grey on light grey, square, 0 of 0 to 120.
    void defaults()
    {
        QCOMPARE(m_bar->progressColor(), fillColour);
        QCOMPARE(m_bar->cornerRadius(), 0.0);
        QCOMPARE(m_bar->minValue(), 0.0);
        QCOMPARE(m_bar->maxValue(), 120.0);
        QCOMPARE(m_bar->doubleValue(), 0.0);
        QCOMPARE(m_bar->fillShare(), 0.0f);
        QVERIFY(m_bar->roundedColor().lightnessF() > 0.5);
        QVERIFY(m_bar->roundedColor() != m_bar->progressColor());
    }

    // The share is the value over the range's width, not clamped and not
    // offset by the minimum.
    void fillShare()
    {
        m_bar->setDoubleValue(60);
        QCOMPARE(m_bar->fillShare(), 0.5f);
        QCOMPARE(m_bar->fillRect(), QRectF(0, 0, 100, 20));
        m_bar->setDoubleValue(100);
        QCOMPARE(m_bar->fillShare(), float(100 / 120.0f));
        m_bar->configProgressColor(Qt::black, Qt::white, 0, 20, 120, 60);
        QCOMPARE(m_bar->fillShare(), 0.6f);
        m_bar->setDoubleValue(240);
        QCOMPARE(m_bar->fillShare(), 2.4f);
        QCOMPARE(m_bar->fillRect().width(), double(2.4f) * 200);
    }

    // Half way: the left half in the fill colour, the right half the track.
    void paintsHalf()
    {
        const QImage image = paintedAt(*m_bar, 60);
        const QColor track = m_bar->roundedColor();
        for (int x : {0, 50, 99})
            QCOMPARE(image.pixelColor(x, 10), fillColour);
        for (int x : {100, 150, 199})
            QCOMPARE(image.pixelColor(x, 10), track);
        QCOMPARE(image.pixelColor(0, 0), fillColour);
        QCOMPARE(image.pixelColor(199, 19), track);
    }

    // 100 of 120 ends at round(0.8333 * 200) = 167 (the pixel before it is
    // partly covered); 0 is the track alone; past the range the fill covers
    // the whole track.
    void paintsOtherValues()
    {
        const QColor track = m_bar->roundedColor();
        QImage image = paintedAt(*m_bar, 100);
        QCOMPARE(image.pixelColor(165, 10), fillColour);
        QCOMPARE(image.pixelColor(167, 10), track);
        const QColor edge = image.pixelColor(166, 10);
        QVERIFY(edge != fillColour && edge != track);

        image = paintedAt(*m_bar, 0);
        for (int x : {0, 1, 100, 199})
            QCOMPARE(image.pixelColor(x, 10), track);

        image = paintedAt(*m_bar, 500);
        for (int x : {0, 100, 199})
            QCOMPARE(image.pixelColor(x, 10), fillColour);
    }

    // Rounded corners leave the corner pixel out of the fill.
    void cornerRadius()
    {
        m_bar->setCornerRadius(5);
        QImage image = paintedAt(*m_bar, 60);
        QVERIFY(image.pixelColor(0, 0) != fillColour);
        QCOMPARE(image.pixelColor(50, 10), fillColour);
        QVERIFY(image.pixelColor(199, 0) != m_bar->roundedColor());
    }

    // A new value repaints a shown bar without anything else asking.
    void valueRepaints()
    {
        m_bar->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_bar.get()));
        PaintCounter counter;
        m_bar->installEventFilter(&counter);
        QTest::qWait(20);
        counter.paints = 0;
        m_bar->setDoubleValue(30);
        QTRY_VERIFY(counter.paints > 0);
    }

private:
    std::unique_ptr<KTProgressIndicator> m_bar;
};

QTEST_MAIN(TestUiProgressIndicator)
#include "tst_uiprogressindicator.moc"
