#pragma once

#include <QtGlobal>

// How a screen asks the window to navigate: the screens never switch or
// resize anything themselves.
class KTViewControllerDelegate
{
public:
    // Screen numbers the window knows.
    static constexpr qint64 UnarchiveScreen = 0;
    static constexpr qint64 ResultScreen = 1;

    virtual ~KTViewControllerDelegate() = default;

    // Shows screen 0 (extraction) or 1 (result); other numbers do nothing.
    virtual void kt_Next(qint64 screen) = 0;
    // Grows the window by the two amounts, keeping its origin.
    virtual void kt_ResizeWindowWithWidth(double width, double height) = 0;
};
