#include "browser/screens/ImageCell.h"

#include <QImage>
#include <QPainter>
#include <QStandardItemModel>
#include <QTest>
#include <QTreeView>

// The name cell: where a click lands, and what it paints.
class TestImageCell : public QObject
{
    Q_OBJECT

private slots:
    // The icon's hit box starts at the frame's top, two points above where
    // a 24-high row draws it: a click on its lowest two points misses it.
    void hitBox()
    {
        const QRectF frame(0, 0, 200, 24);
        const qreal textHeight = 14;
        QCOMPARE(ImageCell::hitTest(QPointF(10, 1), frame, true, textHeight, 50), ImageCell::Hit::ContentArea);
        QCOMPARE(ImageCell::hitTest(QPointF(10, 19.5), frame, true, textHeight, 50), ImageCell::Hit::ContentArea);
        QCOMPARE(ImageCell::hitTest(QPointF(10, 21), frame, true, textHeight, 50), ImageCell::Hit::None);
        // On the text as drawn, and past its end.
        QCOMPARE(ImageCell::hitTest(QPointF(40, 12), frame, true, textHeight, 50), ImageCell::Hit::ContentArea);
        QCOMPARE(ImageCell::hitTest(QPointF(150, 12), frame, true, textHeight, 50), ImageCell::Hit::None);
        // No icon: the icon's place is text.
        QCOMPARE(ImageCell::hitTest(QPointF(10, 12), frame, false, textHeight, 50), ImageCell::Hit::ContentArea);
    }

    // Painted into a cell at x 10 of a 24-high row: the icon covers 13–32
    // from y 2; the text starts after it, cut at its tail when the cell is
    // narrow.
    void paintsIconAndCutText()
    {
        QStandardItemModel model;
        QPixmap red(40, 40); // any size is drawn at 20 × 20
        red.fill(Qt::red);
        auto *item = new QStandardItem(QIcon(red), QStringLiteral("a-rather-long-name-that-cannot-fit.txt"));
        model.appendRow(item);
        QTreeView view;
        view.setModel(&model);
        ImageCell cell;
        QStyleOptionViewItem option;
        option.initFrom(&view);
        option.rect = QRect(10, 0, 120, 24);
        option.font = view.font();
        option.state |= QStyle::State_Enabled;

        QImage image(200, 30, QImage::Format_ARGB32);
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            cell.paint(&painter, option, model.index(0, 0));
        }
        QCOMPARE(image.pixelColor(13, 2), QColor(Qt::red));
        QCOMPARE(image.pixelColor(32, 21), QColor(Qt::red));
        int firstInk = -1;
        int lastInk = -1;
        for (int x = 33; x < 200; ++x) {
            for (int y = 0; y < 24; ++y) {
                if (image.pixelColor(x, y) != QColor(Qt::white)) {
                    if (firstInk < 0)
                        firstInk = x;
                    lastInk = x;
                    break;
                }
            }
        }
        QVERIFY2(firstInk >= 36 && firstInk <= 38, qPrintable(QString::number(firstInk)));
        QVERIFY2(lastInk < 130, qPrintable(QString::number(lastInk)));
    }
};

QTEST_MAIN(TestImageCell)
#include "tst_imagecell.moc"
