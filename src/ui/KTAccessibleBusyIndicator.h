#pragma once

#include <QAccessibleWidget>

class KTScanProgressView;

// The busy circle as an indeterminate progress bar named by its caption,
// busy while it spins: what screen readers announce as "busy", with no
// value to read.
class KTAccessibleBusyIndicator : public QAccessibleWidget
{
public:
    explicit KTAccessibleBusyIndicator(KTScanProgressView *view);

    QString text(QAccessible::Text t) const override;
    QAccessible::State state() const override;

private:
    KTScanProgressView *view() const;
};
