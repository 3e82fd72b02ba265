#include "extraction/screens/KTUnarchiveLayout.h"

#include "ui/KTFileDropView.h"
#include "ui/KTGeometry.h"
#include "ui/KTProgressIndicator.h"
#include "ui/KTScanProgressView.h"

#include <QLabel>
#include <QLayout>
#include <QPushButton>

#include <algorithm>
#include <cmath>

namespace {

// Offsets from the screen's centre. Qt's y axis points down: the circle sits
// 40 above the centre, the progress bar 130 below it.
constexpr double kCircleRaise = 40.0;
constexpr double kProgressDrop = 130.0;
constexpr double kProgressMargin = 40.0;
constexpr double kProgressHeight = 15.0;
// The drop area's height, unless its texts need more.
constexpr int kDropHeight = 236;

} // namespace

KTUnarchiveLayout::KTUnarchiveLayout(const Views &views)
    : m_views(views)
{
}

void KTUnarchiveLayout::place(KTScanProgressView *circle) const
{
    const QWidget &screen = *m_views.screen;
    const double centerX = kt_centerX(screen) - kt_x(screen);
    const double centerY = kt_centerY(screen) - kt_y(screen);

    KTProgressIndicator &bar = *m_views.bar;
    bar.setGeometry(0, 0, qMax(0, int(kt_width(screen) - kProgressMargin)), int(kProgressHeight));
    setKt_centerX(bar, centerX);
    setKt_centerY(bar, centerY + kProgressDrop);

    const double circleCenterY = centerY - kCircleRaise;
    KTFileDropView &drop = *m_views.drop;
    drop.resize(qMin(460, screen.width() - 80), dropHeight());
    setKt_centerX(drop, centerX);
    setKt_centerY(drop, circleCenterY);
    if (circle)
        placeCircle(*circle);
    QPushButton &cancel = *m_views.cancel;
    cancel.resize(qMax(100, cancel.sizeHint().width()), cancel.sizeHint().height());
    setKt_centerX(cancel, centerX);
    setKt_y(cancel, circleCenterY + CircleSide * 0.5 + 10);

    // Both lines wrap at the screen's width rather than run off it.
    const int textWidth = qMax(0, screen.width() - 40);
    QLabel &amount = *m_views.amountLine;
    amount.setGeometry(20, int(kt_bottom(bar)) + 6, textWidth, amount.sizeHint().height());
    QLabel &error = *m_views.errorLine;
    QLabel &cause = *m_views.causeLine;
    error.setGeometry(20, int(kt_bottom(bar)) + 10, textWidth, error.heightForWidth(textWidth));
    cause.setGeometry(20, int(kt_bottom(error)) + 2, textWidth, cause.heightForWidth(textWidth));
    QPushButton &partial = *m_views.showPartial;
    partial.resize(partial.sizeHint());
    setKt_centerX(partial, centerX);
    setKt_y(partial, kt_bottom(cause) + 8);
    QPushButton &tryAgain = *m_views.tryAgain;
    tryAgain.resize(qMax(100, tryAgain.sizeHint().width()), tryAgain.sizeHint().height());
    setKt_centerX(tryAgain, centerX);
    setKt_y(tryAgain, kt_bottom(cause) + 8);
}

void KTUnarchiveLayout::placeCircle(KTScanProgressView &circle) const
{
    const QWidget &screen = *m_views.screen;
    setKt_centerX(circle, kt_centerX(screen) - kt_x(screen));
    setKt_centerY(circle, kt_centerY(screen) - kt_y(screen) - kCircleRaise);
}

int KTUnarchiveLayout::dropHeight() const
{
    return qMax(kDropHeight, m_views.drop->minimumSizeHint().height());
}

QSize KTUnarchiveLayout::minimumSize(const QLayout &row) const
{
    const QSize rowSize = row.minimumSize();
    const QMargins margins = row.contentsMargins();
    const int width = std::max({rowSize.width(), m_views.drop->minimumSizeHint().width() + 80,
                                m_views.cancel->sizeHint().width() + 40});
    // The error line and two lines of cause at that width.
    const int textWidth = width - 40;
    const int errorLines = m_views.errorLine->heightForWidth(textWidth) + 2 +
                           qMax(m_views.causeLine->heightForWidth(textWidth),
                                2 * m_views.causeLine->fontMetrics().lineSpacing());
    const double above = margins.top() + kCircleRaise + qMax(double(dropHeight()), CircleSide) * 0.5;
    const double below = kProgressDrop + kProgressHeight * 0.5 + 10 + errorLines + (rowSize.height() - margins.top());
    return QSize(width, int(std::ceil(2 * qMax(above, below))));
}
