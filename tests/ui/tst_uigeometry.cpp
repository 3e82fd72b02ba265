#include "ui/KTGeometry.h"
#include "ui/KTLayer.h"

#include <QTest>
#include <QWidget>

#include <functional>

namespace {

// Counts whole-frame writes.
class CountingLayer : public KTLayer
{
public:
    void setFrame(const QRectF &frame) override
    {
        ++writes;
        KTLayer::setFrame(frame);
    }
    int writes = 0;
};

const QRectF start(10, 20, 100, 50);

QRectF frameOf(const QWidget &widget) { return QRectF(widget.geometry()); }
QRectF frameOf(const KTLayer &layer) { return layer.frame(); }
void reset(QWidget &widget) { widget.setGeometry(start.toRect()); }
void reset(KTLayer &layer) { layer.setFrame(start); }

// The same expectations for both kinds of frame.
template<typename T>
void checkAccessors(T &o)
{
    reset(o);
    QCOMPARE(kt_center(o), QPointF(60, 45));
    QCOMPARE(kt_right(o), 110.0);
    QCOMPARE(kt_bottom(o), 70.0);

    const QList<std::pair<std::function<void()>, QRectF>> cases{
        {[&] { setKt_right(o, 200); }, QRectF(100, 20, 100, 50)},
        {[&] { setKt_bottom(o, 100); }, QRectF(10, 50, 100, 50)},
        {[&] { setKt_width(o, 40); }, QRectF(10, 20, 40, 50)},
        {[&] { setKt_height(o, 10); }, QRectF(10, 20, 100, 10)},
        {[&] { setKt_size(o, QSizeF(30, 40)); }, QRectF(10, 20, 30, 40)},
        {[&] { setKt_x(o, -5); }, QRectF(-5, 20, 100, 50)},
        {[&] { setKt_center(o, QPointF(0, 0)); }, QRectF(-50, -25, 100, 50)},
        {[&] { setKt_centerX(o, 0); }, QRectF(-50, 20, 100, 50)},
        {[&] { setKt_centerY(o, 100); }, QRectF(10, 75, 100, 50)},
    };
    for (const auto &[set, expected] : cases) {
        reset(o);
        set();
        QCOMPARE(frameOf(o), expected);
    }
}

} // namespace

class TestUiGeometry : public QObject
{
    Q_OBJECT

private slots:
    void accessors()
    {
        QWidget widget;
        checkAccessors(widget);
        if (QTest::currentTestFailed())
            return;
        KTLayer layer;
        checkAccessors(layer);
    }

    // Every setter writes a layer's frame exactly once, and sizes go through
    // as given, a negative width included.
    void layerWrites()
    {
        const QList<std::function<void(KTLayer &)>> setters{
            [](KTLayer &l) { setKt_x(l, 1); },       [](KTLayer &l) { setKt_y(l, 1); },
            [](KTLayer &l) { setKt_width(l, 1); },   [](KTLayer &l) { setKt_height(l, 1); },
            [](KTLayer &l) { setKt_size(l, {}); },   [](KTLayer &l) { setKt_center(l, {}); },
            [](KTLayer &l) { setKt_centerX(l, 1); }, [](KTLayer &l) { setKt_centerY(l, 1); },
            [](KTLayer &l) { setKt_right(l, 1); },   [](KTLayer &l) { setKt_bottom(l, 1); },
        };
        for (const auto &set : setters) {
            CountingLayer layer;
            set(layer);
            QCOMPARE(layer.writes, 1);
        }

        KTLayer layer;
        layer.setFrame(start);
        setKt_width(layer, -30);
        QCOMPARE(layer.frame(), QRectF(10, 20, -30, 50));
        QCOMPARE(kt_right(layer), -20.0);
    }

    // The frame follows the anchor point; setting it keeps the anchor. The
    // widget rect of a layer rect flips y with the owner's height.
    void layerFrameAndAnchor()
    {
        KTLayer layer;
        layer.setBounds(QRectF(0, 0, 200, 200));
        layer.setAnchorPoint(QPointF(0.4, 0.4));
        layer.setPosition(QPointF(83, -6));
        QCOMPARE(layer.frame(), QRectF(3, -86, 200, 200));
        layer.setFrame(QRectF(0, 0, 10, 20));
        QCOMPARE(layer.position(), QPointF(4, 8));
        QCOMPARE(KTLayer::kt_toWidgetRect(QRectF(3, -86, 200, 200), 200), QRectF(3, 86, 200, 200));
    }

    void backgroundColor()
    {
        QWidget widget;
        widget.resize(20, 20);
        setKt_backgroundColor(widget, QColor(200, 30, 40));
        QCOMPARE(kt_backgroundColor(widget), QColor(200, 30, 40));
        QCOMPARE(widget.grab().toImage().pixelColor(10, 10), QColor(200, 30, 40));
    }
};

QTEST_MAIN(TestUiGeometry)
#include "tst_uigeometry.moc"
