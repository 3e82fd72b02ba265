#include "ui/KTProgressIndicator.h"

#include "ui/KTAccessibleFactory.h"

#include <QAccessible>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

KTProgressIndicator::KTProgressIndicator(QWidget *parent)
    : QWidget(parent)
{
    KTAccessibleFactory::ensureInstalled();
    configProgressColor(QColor::fromRgbF(80 / 255., 80 / 255., 80 / 255., 1),
                        QColor::fromRgbF(2 / 3., 2 / 3., 2 / 3., 1), 0.0, 0.0, 120.0, 0.0);
}

void KTProgressIndicator::configProgressColor(const QColor &progress, const QColor &rounded, double cornerRadius,
                                              double minValue, double maxValue, double currentValue)
{
    setProgressColor(progress);
    setRoundedColor(rounded);
    setCornerRadius(cornerRadius);
    setMinValue(minValue);
    setMaxValue(maxValue);
    setDoubleValue(currentValue);
}

void KTProgressIndicator::setMinValue(double value)
{
    m_minValue = value;
    update();
}

void KTProgressIndicator::setMaxValue(double value)
{
    m_maxValue = value;
    update();
}

void KTProgressIndicator::setDoubleValue(double value)
{
    m_doubleValue = value;
    update();
    QAccessibleValueChangeEvent event(this, value);
    QAccessible::updateAccessibility(&event);
}

float KTProgressIndicator::fillShare() const
{
    if (m_doubleValue == 0)
        return 0.0f;
    // The range is narrowed to float before dividing, and the share again
    // after, so the bar matches single-precision progress reports exactly.
    return float(m_doubleValue / float(m_maxValue - m_minValue));
}

QRectF KTProgressIndicator::fillRect() const
{
    return QRectF(0, 0, double(fillShare()) * width(), height());
}

void KTProgressIndicator::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);

    QPainterPath track;
    track.addRoundedRect(QRectF(rect()), m_cornerRadius, m_cornerRadius);
    painter.fillPath(track, m_roundedColor);

    if (fillShare() == 0.0f)
        return;
    const QRectF fill = fillRect();
    QPainterPath bar;
    bar.addRoundedRect(fill, m_cornerRadius, m_cornerRadius);
    QLinearGradient gradient(fill.topLeft(), fill.topRight());
    gradient.setColorAt(0, m_progressColor);
    gradient.setColorAt(1, m_progressColor);
    painter.fillPath(bar, gradient);
}
