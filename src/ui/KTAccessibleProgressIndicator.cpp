#include "ui/KTAccessibleProgressIndicator.h"

#include "ui/KTProgressIndicator.h"

#include <QCoreApplication>
#include <QLocale>

KTAccessibleProgressIndicator::KTAccessibleProgressIndicator(KTProgressIndicator *indicator)
    : QAccessibleWidget(indicator, QAccessible::ProgressBar)
{
}

KTProgressIndicator *KTAccessibleProgressIndicator::indicator() const
{
    return static_cast<KTProgressIndicator *>(widget());
}

QString KTAccessibleProgressIndicator::text(QAccessible::Text t) const
{
    if (t == QAccessible::Value) {
        // The bar runs past 100 while the result is read; a reader hears
        // the share of the range, as the bar shows it.
        const KTProgressIndicator *bar = indicator();
        const double span = bar->maxValue() - bar->minValue();
        const double share = span > 0 ? (bar->doubleValue() - bar->minValue()) / span : 0.0;
        return QLocale().toString(qRound(qBound(0.0, share, 1.0) * 100.0)) + QLocale().percent();
    }
    if (t == QAccessible::Name && widget()->accessibleName().isEmpty())
        return QCoreApplication::translate("KTAccessibleProgressIndicator", "Progress");
    return QAccessibleWidget::text(t);
}

void *KTAccessibleProgressIndicator::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::ValueInterface)
        return static_cast<QAccessibleValueInterface *>(this);
    return QAccessibleWidget::interface_cast(type);
}

QVariant KTAccessibleProgressIndicator::currentValue() const
{
    return indicator()->doubleValue();
}

QVariant KTAccessibleProgressIndicator::maximumValue() const
{
    return indicator()->maxValue();
}

QVariant KTAccessibleProgressIndicator::minimumValue() const
{
    return indicator()->minValue();
}
