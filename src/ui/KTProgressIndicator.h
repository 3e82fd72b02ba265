#pragma once

#include <QColor>
#include <QWidget>

// A horizontal progress bar that paints itself: a rounded track in
// roundedColor and, from the left, a rounded fill in progressColor whose
// width is fillShare() of the widget's width.
class KTProgressIndicator : public QWidget
{
    Q_OBJECT
public:
    explicit KTProgressIndicator(QWidget *parent = nullptr);

    // Sets, in this order, the two colours, the corner radius, the range and
    // the value.
    void configProgressColor(const QColor &progress, const QColor &rounded, double cornerRadius,
                             double minValue, double maxValue, double currentValue);

    // Colours and radius are only stored; they show at the next repaint.
    QColor progressColor() const { return m_progressColor; }
    void setProgressColor(const QColor &color) { m_progressColor = color; }
    QColor roundedColor() const { return m_roundedColor; }
    void setRoundedColor(const QColor &color) { m_roundedColor = color; }
    double cornerRadius() const { return m_cornerRadius; }
    void setCornerRadius(double radius) { m_cornerRadius = radius; }

    // Setting any of these repaints.
    double minValue() const { return m_minValue; }
    void setMinValue(double value);
    double maxValue() const { return m_maxValue; }
    void setMaxValue(double value);
    double doubleValue() const { return m_doubleValue; }
    void setDoubleValue(double value);

    // value / (max - min) in single precision, 0 for a value of 0. Not
    // clamped: a value past the range draws past the track (cut at the edge).
    float fillShare() const;
    // (0, 0, fillShare() * width, height).
    QRectF fillRect() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor m_progressColor;
    QColor m_roundedColor;
    double m_cornerRadius = 0;
    double m_minValue = 0;
    double m_maxValue = 0;
    double m_doubleValue = 0;
};
