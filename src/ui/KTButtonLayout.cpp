#include "ui/KTButtonLayout.h"

#include <algorithm>
#include <cmath>

namespace {

// Room left round the content by fittingSize().
constexpr double horizontalPadding = 8;
constexpr double verticalPadding = 4;

} // namespace

bool KTButtonLayout::showsImage() const
{
    return hasImage && imagePosition != NoImage;
}

bool KTButtonLayout::showsTitle() const
{
    return hasTitle && imagePosition != ImageOnly;
}

QRectF KTButtonLayout::imageRect() const
{
    if (!showsImage())
        return {};
    const double W = buttonSize.width(), H = buttonSize.height();
    const double iw = imageSize.width(), ih = imageSize.height();
    const double tw = hasTitle ? titleSize.width() : 0, th = hasTitle ? titleSize.height() : 0;
    const double s = spacing;
    const bool hug = imageHugsTitle;

    double x = 0, y = 0;
    switch (imagePosition) {
    case ImageOnly:
    case ImageOverlaps:
        x = (W - iw) / 2;
        y = (H - ih) / 2;
        break;
    case ImageLeft:
    case ImageLeading:
        x = hug ? (W - iw - tw) / 2 - s : s;
        y = (H - ih) / 2;
        break;
    case ImageRight:
    case ImageTrailing:
        x = hug ? (W - iw + tw) / 2 + s : W - iw - s;
        y = (H - ih) / 2;
        break;
    case ImageBelow:
        x = (W - iw) / 2;
        y = hug ? (H - ih + th) / 2 + s : H - ih - s;
        break;
    case ImageAbove:
        x = (W - iw) / 2;
        y = hug ? (H - ih - th) / 2 - s : s;
        break;
    default:
        break;
    }
    return QRectF(std::round(x), std::round(y), iw, ih);
}

QRectF KTButtonLayout::titleRect() const
{
    if (!showsTitle())
        return {};
    const double W = buttonSize.width(), H = buttonSize.height();
    const double iw = hasImage ? imageSize.width() : 0, ih = hasImage ? imageSize.height() : 0;
    const double tw = titleSize.width(), th = titleSize.height();
    const double s = spacing;
    const bool hug = imageHugsTitle;

    double x = 0, y = 0;
    switch (imagePosition) {
    case NoImage:
    case ImageOverlaps:
        x = (W - tw) / 2;
        y = (H - th) / 2;
        break;
    case ImageLeft:
    case ImageLeading:
        // A third of the width, not a half: the title sits left of centre,
        // leaving the image its own room on the left.
        x = hug ? (W + iw) / 3 + s : (W - s) / 3;
        y = (H - th) / 2;
        break;
    case ImageRight:
    case ImageTrailing:
        x = hug ? (W - iw - tw) / 2 - s : s;
        y = (H - th) / 2;
        break;
    case ImageBelow:
        x = (W - tw) / 2;
        y = hug ? (H - ih - th) / 2 - s : s;
        break;
    case ImageAbove:
        x = (W - tw) / 2;
        y = hug ? (H + ih - th) / 2 + s : H - th - s;
        break;
    default:
        break;
    }
    return QRectF(std::round(x), std::round(y), std::ceil(tw), std::ceil(th));
}

QSizeF KTButtonLayout::fittingSize() const
{
    const QSizeF image = showsImage() ? imageSize : QSizeF(0, 0);
    const QSizeF title = showsTitle() ? QSizeF(std::ceil(titleSize.width()), std::ceil(titleSize.height()))
                                      : QSizeF(0, 0);
    const double s = std::max(spacing, 0.0);
    double w = std::max(image.width(), title.width());
    double h = std::max(image.height(), title.height());
    if (showsImage() && showsTitle()) {
        switch (imagePosition) {
        case ImageLeft:
        case ImageLeading:
            // The title starts a third of the way across, so the width must
            // leave the image its place before that third and the title its
            // place after it.
            w = std::max({image.width() + title.width() + 3 * s, 3 * (image.width() + 2 * s) + s,
                          (3 * (title.width() + horizontalPadding) - s) / 2});
            break;
        case ImageRight:
        case ImageTrailing:
            w = image.width() + title.width() + 3 * s;
            break;
        case ImageBelow:
        case ImageAbove:
            h = image.height() + title.height() + 3 * s;
            break;
        default:
            break;
        }
    }
    return QSizeF(std::ceil(w + 2 * horizontalPadding), std::ceil(h + 2 * verticalPadding));
}
