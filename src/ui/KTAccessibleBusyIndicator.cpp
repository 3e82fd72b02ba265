#include "ui/KTAccessibleBusyIndicator.h"

#include "ui/KTScanProgressView.h"

KTAccessibleBusyIndicator::KTAccessibleBusyIndicator(KTScanProgressView *view)
    : QAccessibleWidget(view, QAccessible::ProgressBar)
{
}

KTScanProgressView *KTAccessibleBusyIndicator::view() const
{
    return static_cast<KTScanProgressView *>(widget());
}

QString KTAccessibleBusyIndicator::text(QAccessible::Text t) const
{
    if (t == QAccessible::Name && widget()->accessibleName().isEmpty())
        return view()->title();
    return QAccessibleWidget::text(t);
}

QAccessible::State KTAccessibleBusyIndicator::state() const
{
    QAccessible::State state = QAccessibleWidget::state();
    state.busy = view()->isSpinning();
    return state;
}
