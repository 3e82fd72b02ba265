#pragma once

#include <QColor>
#include <QPointF>
#include <QSizeF>

class QWidget;
class KTLayer;

// Frame accessors shared by widgets (frame = geometry in the parent) and
// painted layers (frame()). Every setter reads the frame, changes the named
// parts and writes the whole frame back in one call; nothing is normalised,
// so a negative size reaches a layer unchanged. A widget's setGeometry()
// rounds to whole pixels and clamps the size to its minimum and maximum
// sizes (so a negative size becomes 0), as Qt always does.

double kt_x(const QWidget &widget);
double kt_y(const QWidget &widget);
double kt_width(const QWidget &widget);
double kt_height(const QWidget &widget);
double kt_centerX(const QWidget &widget);
double kt_centerY(const QWidget &widget);
double kt_right(const QWidget &widget);
double kt_bottom(const QWidget &widget);
QPointF kt_center(const QWidget &widget);
QSizeF kt_size(const QWidget &widget);

void setKt_x(QWidget &widget, double x);
void setKt_y(QWidget &widget, double y);
void setKt_width(QWidget &widget, double width);
void setKt_height(QWidget &widget, double height);
void setKt_center(QWidget &widget, const QPointF &center);
void setKt_centerX(QWidget &widget, double centerX);
void setKt_centerY(QWidget &widget, double centerY);
void setKt_right(QWidget &widget, double right);
void setKt_bottom(QWidget &widget, double bottom);
void setKt_size(QWidget &widget, const QSizeF &size);

double kt_x(const KTLayer &layer);
double kt_y(const KTLayer &layer);
double kt_width(const KTLayer &layer);
double kt_height(const KTLayer &layer);
double kt_centerX(const KTLayer &layer);
double kt_centerY(const KTLayer &layer);
double kt_right(const KTLayer &layer);
double kt_bottom(const KTLayer &layer);
QPointF kt_center(const KTLayer &layer);
QSizeF kt_size(const KTLayer &layer);

void setKt_x(KTLayer &layer, double x);
void setKt_y(KTLayer &layer, double y);
void setKt_width(KTLayer &layer, double width);
void setKt_height(KTLayer &layer, double height);
void setKt_center(KTLayer &layer, const QPointF &center);
void setKt_centerX(KTLayer &layer, double centerX);
void setKt_centerY(KTLayer &layer, double centerY);
void setKt_right(KTLayer &layer, double right);
void setKt_bottom(KTLayer &layer, double bottom);
void setKt_size(KTLayer &layer, const QSizeF &size);

// The Window role of the widget's palette; setting it turns on
// autoFillBackground so the colour is painted.
QColor kt_backgroundColor(const QWidget &widget);
void setKt_backgroundColor(QWidget &widget, const QColor &color);
