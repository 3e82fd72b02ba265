#include "browser/screens/ImageCell.h"

#include <QImage>
#include <QPainter>
#include <QStandardItemModel>
#include <QTest>
#include <QTreeView>

// The name cell as painted.
class TestImageCell : public QObject
{
    Q_OBJECT

private slots:
    // The icon, then the text after it, cut at its tail in a narrow cell.
    void paintsIconAndCutText()
    {
        QStandardItemModel model;
        QPixmap red(40, 40);
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
        QCOMPARE(image.pixelColor(20, 12), QColor(Qt::red));
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
        QVERIFY2(firstInk > 33, qPrintable(QString::number(firstInk)));
        QVERIFY2(lastInk < 130, qPrintable(QString::number(lastInk)));
    }
};

QTEST_MAIN(TestImageCell)
#include "tst_imagecell.moc"
