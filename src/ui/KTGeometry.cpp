#include "ui/KTGeometry.h"

#include "ui/KTLayer.h"

#include <QRectF>
#include <QWidget>

#include <concepts>

namespace {

QRectF readFrame(const QWidget &widget)
{
    return QRectF(widget.geometry());
}

void writeFrame(QWidget &widget, const QRectF &frame)
{
    widget.setGeometry(frame.toRect());
}

QRectF readFrame(const KTLayer &layer)
{
    return layer.frame();
}

void writeFrame(KTLayer &layer, const QRectF &frame)
{
    layer.setFrame(frame);
}

// Anything whose frame can be read and written whole by the two functions
// above; the accessors are written once against it.
template<typename T>
concept Framed = requires(T &object, const T &constObject, const QRectF &frame) {
    { readFrame(constObject) } -> std::same_as<QRectF>;
    writeFrame(object, frame);
};

template<Framed T> double x(const T &o) { return readFrame(o).x(); }
template<Framed T> double y(const T &o) { return readFrame(o).y(); }
template<Framed T> double width(const T &o) { return readFrame(o).width(); }
template<Framed T> double height(const T &o) { return readFrame(o).height(); }
template<Framed T> QSizeF size(const T &o) { return readFrame(o).size(); }

template<Framed T>
QPointF center(const T &o)
{
    const QRectF f = readFrame(o);
    return QPointF(f.x() + f.width() * 0.5, f.y() + f.height() * 0.5);
}

template<Framed T> double right(const T &o) { const QRectF f = readFrame(o); return f.x() + f.width(); }
template<Framed T> double bottom(const T &o) { const QRectF f = readFrame(o); return f.y() + f.height(); }

template<Framed T>
void setX(T &o, double value)
{
    QRectF f = readFrame(o);
    f.moveLeft(value);
    writeFrame(o, f);
}

template<Framed T>
void setY(T &o, double value)
{
    QRectF f = readFrame(o);
    f.moveTop(value);
    writeFrame(o, f);
}

template<Framed T>
void setWidth(T &o, double value)
{
    QRectF f = readFrame(o);
    f.setWidth(value);
    writeFrame(o, f);
}

template<Framed T>
void setHeight(T &o, double value)
{
    QRectF f = readFrame(o);
    f.setHeight(value);
    writeFrame(o, f);
}

template<Framed T>
void setSize(T &o, const QSizeF &value)
{
    QRectF f = readFrame(o);
    f.setSize(value);
    writeFrame(o, f);
}

template<Framed T>
void setCenter(T &o, const QPointF &value)
{
    QRectF f = readFrame(o);
    f.moveTopLeft(QPointF(value.x() - f.width() * 0.5, value.y() - f.height() * 0.5));
    writeFrame(o, f);
}

template<Framed T> void setCenterX(T &o, double value) { setCenter(o, QPointF(value, center(o).y())); }
template<Framed T> void setCenterY(T &o, double value) { setCenter(o, QPointF(center(o).x(), value)); }
template<Framed T> void setRight(T &o, double value) { setX(o, value - width(o)); }
template<Framed T> void setBottom(T &o, double value) { setY(o, value - height(o)); }

} // namespace

#define KT_GEOMETRY_ACCESSORS(Type)                                                     \
    double kt_x(const Type &o) { return x(o); }                                         \
    double kt_y(const Type &o) { return y(o); }                                         \
    double kt_width(const Type &o) { return width(o); }                                 \
    double kt_height(const Type &o) { return height(o); }                               \
    double kt_centerX(const Type &o) { return center(o).x(); }                          \
    double kt_centerY(const Type &o) { return center(o).y(); }                          \
    double kt_right(const Type &o) { return right(o); }                                 \
    double kt_bottom(const Type &o) { return bottom(o); }                               \
    QPointF kt_center(const Type &o) { return center(o); }                              \
    QSizeF kt_size(const Type &o) { return size(o); }                                   \
    void setKt_x(Type &o, double v) { setX(o, v); }                                     \
    void setKt_y(Type &o, double v) { setY(o, v); }                                     \
    void setKt_width(Type &o, double v) { setWidth(o, v); }                             \
    void setKt_height(Type &o, double v) { setHeight(o, v); }                           \
    void setKt_center(Type &o, const QPointF &v) { setCenter(o, v); }                   \
    void setKt_centerX(Type &o, double v) { setCenterX(o, v); }                         \
    void setKt_centerY(Type &o, double v) { setCenterY(o, v); }                         \
    void setKt_right(Type &o, double v) { setRight(o, v); }                             \
    void setKt_bottom(Type &o, double v) { setBottom(o, v); }                           \
    void setKt_size(Type &o, const QSizeF &v) { setSize(o, v); }

KT_GEOMETRY_ACCESSORS(QWidget)
KT_GEOMETRY_ACCESSORS(KTLayer)

#undef KT_GEOMETRY_ACCESSORS

QColor kt_backgroundColor(const QWidget &widget)
{
    return widget.palette().color(QPalette::Window);
}

void setKt_backgroundColor(QWidget &widget, const QColor &color)
{
    QPalette palette = widget.palette();
    palette.setColor(QPalette::Window, color);
    widget.setPalette(palette);
    widget.setAutoFillBackground(true);
}
