#include "KTGeometry.h"
#include "KTLayer.h"

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

const QRectF startFrame(10, 20, 100, 50);

QRectF frameOf(const QWidget &widget) { return QRectF(widget.geometry()); }
QRectF frameOf(const KTLayer &layer) { return layer.frame(); }
void reset(QWidget &widget) { widget.setGeometry(startFrame.toRect()); }
void reset(KTLayer &layer) { layer.setFrame(startFrame); }

// The same expectations for both kinds of frame.
template<typename T>
void checkAccessors(T &object)
{
    reset(object);
    QCOMPARE(kt_x(object), 10.0);
    QCOMPARE(kt_y(object), 20.0);
    QCOMPARE(kt_size(object), QSizeF(100, 50));
    QCOMPARE(kt_center(object), QPointF(60, 45));
    QCOMPARE(kt_centerX(object), 60.0);
    QCOMPARE(kt_centerY(object), 45.0);
    QCOMPARE(kt_right(object), 110.0);
    QCOMPARE(kt_bottom(object), 70.0);

    setKt_right(object, 200);
    QCOMPARE(frameOf(object), QRectF(100, 20, 100, 50));
    reset(object);
    setKt_bottom(object, 100);
    QCOMPARE(frameOf(object), QRectF(10, 50, 100, 50));
    reset(object);
    setKt_width(object, 40);
    QCOMPARE(frameOf(object), QRectF(10, 20, 40, 50));
    QCOMPARE(kt_right(object), 50.0);
    reset(object);
    setKt_height(object, 10);
    QCOMPARE(frameOf(object), QRectF(10, 20, 100, 10));
    reset(object);
    setKt_size(object, QSizeF(30, 40));
    QCOMPARE(frameOf(object), QRectF(10, 20, 30, 40));
    reset(object);
    setKt_x(object, -5);
    setKt_y(object, 7);
    QCOMPARE(frameOf(object), QRectF(-5, 7, 100, 50));
    reset(object);
    setKt_center(object, QPointF(0, 0));
    QCOMPARE(frameOf(object), QRectF(-50, -25, 100, 50));
    reset(object);
    setKt_centerY(object, 100);
    QCOMPARE(frameOf(object), QRectF(10, 75, 100, 50));
    QCOMPARE(kt_centerX(object), 60.0);
    reset(object);
    setKt_centerX(object, 0);
    QCOMPARE(frameOf(object), QRectF(-50, 20, 100, 50));
}

} // namespace

class TestUiGeometry : public QObject
{
    Q_OBJECT

private slots:
    void widgetAccessors()
    {
        QWidget widget;
        checkAccessors(widget);
    }

    void layerAccessors()
    {
        KTLayer layer;
        checkAccessors(layer);
    }

    // A widget frame is written rounded to whole pixels but keeps its size,
    // also when the centre lands on half pixels.
    void widgetCentreKeepsSize()
    {
        QWidget widget;
        widget.setGeometry(10, 20, 101, 51);
        QCOMPARE(kt_center(widget), QPointF(60.5, 45.5));
        setKt_center(widget, QPointF(100, 100));
        QCOMPARE(widget.size(), QSize(101, 51));
        QCOMPARE(widget.pos(), QPoint(50, 75));
    }

    // Every setter writes the layer's frame exactly once.
    void layerSettersWriteOnce()
    {
        const QList<std::pair<const char *, std::function<void(KTLayer &)>>> setters{
            {"x", [](KTLayer &l) { setKt_x(l, 1); }},
            {"y", [](KTLayer &l) { setKt_y(l, 1); }},
            {"width", [](KTLayer &l) { setKt_width(l, 1); }},
            {"height", [](KTLayer &l) { setKt_height(l, 1); }},
            {"size", [](KTLayer &l) { setKt_size(l, QSizeF(1, 1)); }},
            {"center", [](KTLayer &l) { setKt_center(l, QPointF(1, 1)); }},
            {"centerX", [](KTLayer &l) { setKt_centerX(l, 1); }},
            {"centerY", [](KTLayer &l) { setKt_centerY(l, 1); }},
            {"right", [](KTLayer &l) { setKt_right(l, 1); }},
            {"bottom", [](KTLayer &l) { setKt_bottom(l, 1); }},
        };
        for (const auto &[name, set] : setters) {
            CountingLayer layer;
            layer.setFrame(startFrame);
            layer.writes = 0;
            set(layer);
            QVERIFY2(layer.writes == 1, name);
        }
    }

    // Layers keep odd sizes as given: a negative width stays negative and
    // moves the right edge left of the origin.
    void layerNegativeSize()
    {
        KTLayer layer;
        layer.setFrame(startFrame);
        setKt_width(layer, -30);
        QCOMPARE(layer.frame(), QRectF(10, 20, -30, 50));
        QCOMPARE(layer.bounds().width(), -30.0);
        QCOMPARE(kt_right(layer), -20.0);
    }

    // The frame follows the anchor point: (position - anchor * size, size);
    // setting it keeps the anchor and moves the position. The widget rect of
    // a layer rect flips y with the owner's height.
    void layerFrameAndAnchor()
    {
        KTLayer layer;
        QCOMPARE(layer.anchorPoint(), QPointF(0.5, 0.5));
        layer.setBounds(QRectF(0, 0, 200, 200));
        layer.setAnchorPoint(QPointF(0.4, 0.4));
        layer.setPosition(QPointF(83, -6));
        QCOMPARE(layer.frame(), QRectF(3, -86, 200, 200));
        layer.setFrame(QRectF(0, 0, 10, 20));
        QCOMPARE(layer.position(), QPointF(4, 8));
        QCOMPARE(layer.bounds().size(), QSizeF(10, 20));
        QCOMPARE(KTLayer::kt_toWidgetRect(QRectF(3, -86, 200, 200), 200), QRectF(3, 86, 200, 200));
        QCOMPARE(KTLayer::kt_toWidgetRect(QRectF(0, 0, 10, 10), 100), QRectF(0, 90, 10, 10));
    }

    // The background colour is the palette's Window role and is painted.
    void backgroundColor()
    {
        QWidget widget;
        widget.resize(20, 20);
        setKt_backgroundColor(widget, QColor(200, 30, 40));
        QVERIFY(widget.autoFillBackground());
        QCOMPARE(kt_backgroundColor(widget), QColor(200, 30, 40));
        QCOMPARE(widget.grab().toImage().pixelColor(10, 10), QColor(200, 30, 40));
    }
};

QTEST_MAIN(TestUiGeometry)
#include "tst_uigeometry.moc"
