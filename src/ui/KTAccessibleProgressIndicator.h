#pragma once

#include <QAccessibleWidget>

class KTProgressIndicator;

// The painted progress bar as a progress bar with its value and range.
class KTAccessibleProgressIndicator : public QAccessibleWidget, public QAccessibleValueInterface
{
public:
    explicit KTAccessibleProgressIndicator(KTProgressIndicator *indicator);

    QString text(QAccessible::Text t) const override;
    void *interface_cast(QAccessible::InterfaceType type) override;

    QVariant currentValue() const override;
    // Progress is shown, not set.
    void setCurrentValue(const QVariant &) override {}
    QVariant maximumValue() const override;
    QVariant minimumValue() const override;
    QVariant minimumStepSize() const override { return 0; }

private:
    KTProgressIndicator *indicator() const;
};
