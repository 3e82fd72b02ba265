#pragma once

#include <QRectF>
#include <QStyledItemDelegate>

// Draws the outline's "Name" cells: a 20 × 20 icon inset 3 from the cell's
// left edge and the name 3 to the right of it, both centred vertically, the
// name cut at its tail when the cell is too narrow. Its geometry is exposed
// as plain functions of a frame so that it can be checked to the point.
class ImageCell : public QStyledItemDelegate
{
    Q_OBJECT
public:
    static constexpr qreal IconSize = 20;
    static constexpr qreal IconInset = 3;
    static constexpr qreal TextGap = 3;
    // The outline's rows are this high, whatever the font asks for.
    static constexpr int RowHeight = 24;

    enum class Hit { None, ContentArea };

    explicit ImageCell(QObject *parent = nullptr);

    // Where the icon is drawn in frame b; empty without an icon. A row
    // lower than the icon lets it reach past the row (17 high: y - 1).
    static QRectF imageRectForBounds(const QRectF &b, bool hasImage);
    // The frame the name is drawn in, given its frame and the height t of
    // the text: moved down by half the spare height and shrunk by as much.
    static QRectF titleRectForBounds(const QRectF &b, qreal textHeight);
    // The frame left for the text of a cell drawn in f: from the whole unit
    // right of the icon and its gap to the cell's right edge; f itself
    // without an icon.
    static QRectF textFrameForFrame(const QRectF &f, bool hasImage);
    // Width and height a cell needs, given what its text alone needs.
    static QSizeF cellSize(const QSizeF &textSize, bool hasImage);
    // Whether a point falls on the cell's content: the icon's box (its
    // top at the frame's top, not centred as drawn) or the text as drawn
    // (textWidth wide from the text frame's left edge).
    static Hit hitTest(const QPointF &point, const QRectF &frame, bool hasImage, qreal textHeight, qreal textWidth);

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    // The full name as a tooltip where it is cut and the pointer is on it.
    bool helpEvent(QHelpEvent *event, QAbstractItemView *view, const QStyleOptionViewItem &option,
                   const QModelIndex &index) override;

private:
    static QIcon iconOf(const QModelIndex &index);
};
