#pragma once

#include <QSize>

class KTFileDropView;
class KTProgressIndicator;
class KTScanProgressView;
class QLabel;
class QLayout;
class QPushButton;
class QWidget;

// Where the extraction screen's centred views go. They sit outside its
// layout, which holds only the bottom row: the drop area, or the busy circle
// with Cancel under it, above the centre; the bar below it; under the bar the
// amount line, or the error lines and the buttons after a failure.
class KTUnarchiveLayout
{
public:
    struct Views
    {
        QWidget *screen;
        KTProgressIndicator *bar;
        KTFileDropView *drop;
        QPushButton *cancel;
        QLabel *amountLine;
        QLabel *errorLine;
        QLabel *causeLine;
        QPushButton *showPartial;
        QPushButton *tryAgain;
    };

    static constexpr double CircleSide = 200.0;
    static constexpr double ProgressCornerRadius = 5.0;

    explicit KTUnarchiveLayout(const Views &views);

    // circle: the busy circle while there is one.
    void place(KTScanProgressView *circle) const;
    void placeCircle(KTScanProgressView &circle) const;
    // Room for the centred views and the bottom row, reckoned from their
    // texts in the current language so that nothing is cut.
    QSize minimumSize(const QLayout &row) const;

private:
    int dropHeight() const;

    Views m_views;
};
