#pragma once

#include <QRectF>
#include <QSizeF>

// Where a KTButton puts its image and its title, from plain numbers: no
// widget, font or pixmap, so the arithmetic can be checked on its own.
// Coordinates are the button's, origin top-left, y down.
//
// Image positions: 0 no image, 1 image only, 2 left, 3 right, 4 below the
// title, 5 above it, 6 overlapping it, 7 leading, 8 trailing. Leading and
// trailing are laid out as left and right.
struct KTButtonLayout
{
    enum ImagePosition { NoImage, ImageOnly, ImageLeft, ImageRight, ImageBelow, ImageAbove, ImageOverlaps,
                         ImageLeading, ImageTrailing };

    QSizeF buttonSize;
    bool hasImage = false;
    QSizeF imageSize;  // device-independent; ignored without an image
    bool hasTitle = false;
    QSizeF titleSize;  // as measured; ignored without a title
    double spacing = 0;
    int imagePosition = NoImage;
    bool imageHugsTitle = false;

    // Position 0 hides the image, position 1 the title (an empty title is
    // still a title).
    bool showsImage() const;
    bool showsTitle() const;

    // Origins are rounded half away from zero. The image keeps its exact
    // size; the title's is rounded up to whole units. Null when not shown.
    QRectF imageRect() const;
    QRectF titleRect() const;

    // A size in which image and title both fit without overlapping, with
    // padding round them, for the given inputs (buttonSize is ignored).
    QSizeF fittingSize() const;
};
