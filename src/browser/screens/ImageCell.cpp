#include "browser/screens/ImageCell.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QHelpEvent>
#include <QIcon>
#include <QPainter>
#include <QToolTip>

#include <cmath>

ImageCell::ImageCell(QObject *parent)
    : QStyledItemDelegate(parent)
{
}

QRectF ImageCell::imageRectForBounds(const QRectF &b, bool hasImage)
{
    if (!hasImage)
        return {};
    return QRectF(b.x() + IconInset, b.y() + std::ceil((b.height() - IconSize) * 0.5), IconSize, IconSize);
}

QRectF ImageCell::titleRectForBounds(const QRectF &b, qreal textHeight)
{
    const qreal spare = (b.height() - textHeight) * 0.5;
    return QRectF(b.x(), b.y() + spare, b.width(), b.height() - spare);
}

QRectF ImageCell::textFrameForFrame(const QRectF &f, bool hasImage)
{
    if (!hasImage)
        return f;
    const QRectF icon = imageRectForBounds(f, true);
    // Whole units keep the text's left edge on the pixel grid.
    const qreal left = std::trunc(icon.x() + icon.width() + TextGap);
    return QRectF(left, f.y(), f.x() + f.width() - left, f.height());
}

QSizeF ImageCell::cellSize(const QSizeF &textSize, bool hasImage)
{
    return QSizeF(textSize.width() + (hasImage ? IconSize : 0) + TextGap, textSize.height());
}

ImageCell::Hit ImageCell::hitTest(const QPointF &point, const QRectF &frame, bool hasImage, qreal textHeight,
                                  qreal textWidth)
{
    QRectF rest = frame;
    if (hasImage) {
        const QRectF iconBox(frame.x() + IconInset, frame.y(), IconSize, IconSize);
        if (iconBox.contains(point))
            return Hit::ContentArea;
        rest.setLeft(frame.x() + IconSize + TextGap);
    }
    const QRectF title = titleRectForBounds(textFrameForFrame(frame, hasImage), textHeight);
    const QRectF text(title.x(), title.y(), std::min(textWidth, title.width()), textHeight);
    return rest.contains(point) && text.contains(point) ? Hit::ContentArea : Hit::None;
}

QIcon ImageCell::iconOf(const QModelIndex &index)
{
    return qvariant_cast<QIcon>(index.data(Qt::DecorationRole));
}

void ImageCell::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QWidget *widget = opt.widget;
    QStyle *style = widget ? widget->style() : QApplication::style();
    // The selection and hover background span the whole cell.
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &opt, painter, widget);

    const QIcon icon = iconOf(index);
    const bool hasImage = !icon.isNull();
    const QRectF frame(opt.rect);
    const bool selected = opt.state & QStyle::State_Selected;
    const bool active = opt.state & QStyle::State_Active;
    if (hasImage) {
        const QRectF imageRect = imageRectForBounds(frame, true);
        const QIcon::Mode mode = !(opt.state & QStyle::State_Enabled) ? QIcon::Disabled
                                 : selected                          ? QIcon::Selected
                                                                     : QIcon::Normal;
        const qreal ratio = painter->device()->devicePixelRatioF();
        const QPixmap pixmap = icon.pixmap(QSize(int(IconSize), int(IconSize)), ratio, mode);
        painter->drawPixmap(imageRect, pixmap, QRectF(QPointF(0, 0), pixmap.size()));
    }

    const QFontMetricsF metrics(opt.font);
    const QRectF title = titleRectForBounds(textFrameForFrame(frame, hasImage), metrics.height());
    const QString text = metrics.elidedText(opt.text, Qt::ElideRight, title.width());
    const QPalette::ColorGroup group = !(opt.state & QStyle::State_Enabled) ? QPalette::Disabled
                                       : active                           ? QPalette::Normal
                                                                          : QPalette::Inactive;
    painter->save();
    painter->setFont(opt.font);
    painter->setPen(opt.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text));
    painter->drawText(title, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
    painter->restore();

    if (opt.state & QStyle::State_HasFocus) {
        QStyleOptionFocusRect focus;
        focus.QStyleOption::operator=(opt);
        focus.backgroundColor = opt.palette.color(group, selected ? QPalette::Highlight : QPalette::Window);
        style->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, widget);
    }
}

QSize ImageCell::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QFontMetricsF metrics(opt.font);
    const QSizeF text(metrics.horizontalAdvance(opt.text), metrics.height());
    const QSizeF size = cellSize(text, !iconOf(index).isNull());
    return QSize(int(std::ceil(size.width())), std::max(int(std::ceil(size.height())), RowHeight));
}

bool ImageCell::helpEvent(QHelpEvent *event, QAbstractItemView *view, const QStyleOptionViewItem &option,
                          const QModelIndex &index)
{
    if (!event || !view || event->type() != QEvent::ToolTip)
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const bool hasImage = !iconOf(index).isNull();
    const QFontMetricsF metrics(opt.font);
    const QRectF frame(opt.rect);
    const QRectF title = titleRectForBounds(textFrameForFrame(frame, hasImage), metrics.height());
    const qreal textWidth = metrics.horizontalAdvance(opt.text);
    const bool cut = textWidth > title.width();
    if (cut && hitTest(event->pos(), frame, hasImage, metrics.height(), textWidth) == Hit::ContentArea)
        QToolTip::showText(event->globalPos(), opt.text, view, opt.rect);
    else
        QToolTip::hideText();
    return true;
}
