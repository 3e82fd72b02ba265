#include "ui/KTButton.h"
#include "ui/KTButtonLayout.h"

#include <QApplication>
#include <QEnterEvent>
#include <QSignalSpy>
#include <QTest>

namespace {

using Slot = KTButton::ColorSlot;

const QColor green(0, 160, 0);
const QColor navy(0, 0, 128);
const QColor white(255, 255, 255);
const QColor yellow(250, 220, 0);

void enter(KTButton &button)
{
    QEnterEvent event(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QApplication::sendEvent(&button, &event);
}

void leave(KTButton &button)
{
    QEvent event(QEvent::Leave);
    QApplication::sendEvent(&button, &event);
}

// Green background, navy border, white image and title while off; yellow
// background while on. Changes apply at once until the durations are set.
void colour(KTButton &button)
{
    button.setBackgroundNormalColor(green);
    button.setBackgroundHighlightColor(yellow);
    button.setBorderNormalColor(navy);
    button.setBorderHighlightColor(navy);
    button.setImageNormalColor(white);
    button.setImageHighlightColor(navy);
    button.setTitleNormalColor(white);
    button.setTitleHighlightColor(navy);
}

// A 20 x 20 opaque blue square with a clear 8 x 8 hole in the middle, drawn
// at twice the pixel ratio.
QPixmap holedSquare()
{
    QImage image(QSize(40, 40), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::blue);
    for (int y = 12; y < 28; ++y)
        for (int x = 12; x < 28; ++x)
            image.setPixel(x, y, 0);
    image.setDevicePixelRatio(2);
    return QPixmap::fromImage(image);
}

// Counts the presses that reach a widget.
class PressCounter : public QObject
{
public:
    bool eventFilter(QObject *, QEvent *event) override
    {
        presses += event->type() == QEvent::MouseButtonPress;
        return false;
    }
    int presses = 0;
};

} // namespace

// The painted push button: its layout, colours, pointer, keyboard, disabled
// look and focus ring.
class TestUiButton : public QObject
{
    Q_OBJECT

private slots:
    // The layout follows a change of font, and at its size hint the button
    // holds its image and title apart, wherever the image goes.
    void layout()
    {
        KTButton button;
        button.resize(100, 30);
        // A hidden widget hears of a resize only when shown.
        button.show();
        button.setProperty("title", QStringLiteral("Open"));
        const qreal before = button.titleRect().width();
        QFont big = button.font();
        big.setPointSizeF(big.pointSizeF() * 2);
        button.setFont(big);
        QVERIFY(button.titleRect().width() > before);

        button.setImage(holedSquare());
        button.setSpacing(4);
        for (int position : {KTButtonLayout::ImageLeft, KTButtonLayout::ImageRight, KTButtonLayout::ImageAbove}) {
            button.setImagePosition(position);
            button.resize(button.sizeHint());
            const QRectF bounds(QPointF(0, 0), button.size());
            QVERIFY(bounds.contains(button.imageRect()) && bounds.contains(button.titleRect()));
            QVERIFY(!button.imageRect().intersects(button.titleRect()));
        }
    }

    // A change fades only the part that changed; turning on fades the parts
    // whose highlight differs; re-applying mid-fade ends every fade at its
    // target; a fade runs to its end and leaves the exact target.
    void colourFades()
    {
        KTButton button;
        colour(button);
        button.setOnAnimateDuration(100);
        button.setOffAnimateDuration(100);
        button.setBackgroundNormalColor(green);
        QCOMPARE(button.runningAnimationCount(), 0);
        button.setTitleNormalColor(yellow);
        QVERIFY(button.isAnimating(Slot::Title) && button.runningAnimationCount() == 1);
        QCOMPARE(button.shownColor(Slot::Title), white);
        button.setState(KTButton::StateOn);
        QCOMPARE(button.runningAnimationCount(), 3);
        QVERIFY(!button.isAnimating(Slot::Border));
        button.setImageHighlightColor(green);
        QVERIFY(button.isAnimating(Slot::Image) && button.runningAnimationCount() == 1);
        QCOMPARE(button.shownColor(Slot::Background), yellow);
        QCOMPARE(button.shownColor(Slot::Title), navy);

        button.setOffAnimateDuration(0.05);
        button.setState(KTButton::StateOff);
        button.setBackgroundNormalColor(QColor());
        QTRY_COMPARE(button.runningAnimationCount(), 0);
        QCOMPARE(button.shownColor(Slot::Background), QColor());
        QCOMPARE(button.shownColor(Slot::Title), yellow);
    }

    // Hovering previews the other state, a release commits it and sends one
    // click; a second release without leaving sends nothing. A momentary
    // button returns to its normal colours at the click. Space and Enter
    // send one click each, touching neither the state nor the hover.
    void pointerAndKeyboard()
    {
        QWidget window;
        window.resize(200, 100);
        KTButton button(&window);
        button.setGeometry(50, 50, 100, 30);
        colour(button);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QSignalSpy clicks(&button, &QAbstractButton::clicked);
        QSignalSpy presses(&button, &QAbstractButton::pressed);
        QTest::mouseRelease(&button, Qt::LeftButton);
        QCOMPARE(clicks.size(), 0);
        enter(button);
        QVERIFY(button.mouseDown());
        QCOMPARE(button.state(), KTButton::StateOn);
        QCOMPARE(button.shownColor(Slot::Background), yellow);
        QTest::mousePress(&button, Qt::LeftButton);
        QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(500, 500));
        QCOMPARE(clicks.size(), 1);
        QCOMPARE(button.state(), KTButton::StateOn);
        QTest::mouseClick(&button, Qt::LeftButton);
        QCOMPARE(clicks.size(), 1);
        leave(button);
        enter(button);
        QCOMPARE(button.state(), KTButton::StateOff);
        leave(button);
        QCOMPARE(button.state(), KTButton::StateOn);
        QCOMPARE(presses.size(), 0);

        button.setFocus(Qt::TabFocusReason);
        enter(button);
        const int hovered = button.state();
        QTest::keyClick(&button, Qt::Key_Space);
        QTest::keyClick(&button, Qt::Key_Return);
        QCOMPARE(clicks.size(), 3);
        QCOMPARE(button.state(), hovered);
        QVERIFY(button.mouseDown() && !button.isCheckable());
        leave(button);

        button.setState(KTButton::StateOff);
        button.setMomentary(true);
        enter(button);
        QCOMPARE(button.shownColor(Slot::Background), yellow);
        QTest::mouseClick(&button, Qt::LeftButton);
        QCOMPARE(clicks.size(), 4);
        QCOMPARE(button.state(), KTButton::StateOff);
        QCOMPARE(button.shownColor(Slot::Background), green);
    }

    // Disabled when first shown: half opacity for good, no reaction to the
    // pointer, and clicks reach the widget behind. Enabling restores the
    // reaction only; a button enabled at its first show stays opaque.
    void disabled()
    {
        QWidget window;
        window.resize(200, 100);
        KTButton button(&window);
        button.setGeometry(50, 50, 100, 30);
        colour(button);
        button.setEnabled(false);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(button.alphaValue(), 0.5);
        enter(button);
        QVERIFY(!button.mouseDown());
        QSignalSpy clicks(&button, &QAbstractButton::clicked);
        PressCounter behind;
        window.installEventFilter(&behind);
        QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {}, QPoint(90, 65));
        QCOMPARE(clicks.size(), 0);
        QCOMPARE(behind.presses, 1);

        button.setEnabled(true);
        QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {}, QPoint(90, 65));
        QCOMPARE(behind.presses, 1);
        enter(button);
        QTest::mouseClick(&button, Qt::LeftButton);
        QCOMPARE(clicks.size(), 1);
        button.hide();
        button.show();
        QCOMPARE(button.alphaValue(), 0.5);

        KTButton later(&window);
        later.show();
        later.setEnabled(false);
        later.hide();
        later.show();
        QCOMPARE(later.alphaValue(), 1.0);
    }

    // The image shows only as its silhouette in the image colour, sharp at
    // twice the pixel ratio; a focus ring only after keyboard focus.
    void painted()
    {
        QWidget window;
        window.resize(200, 100);
        KTButton button(&window);
        button.setGeometry(50, 50, 60, 40);
        colour(button);
        button.setImage(holedSquare());
        button.setImagePosition(KTButtonLayout::ImageOnly);
        QImage image(QSize(120, 80), QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(2);
        button.render(&image);
        for (int x = 0; x < 120; ++x) {
            const int lx = x / 2;
            const bool ring = lx >= 20 && lx < 40 && !(lx >= 26 && lx < 34);
            QCOMPARE(image.pixelColor(x, 40), ring ? white : green);
        }

        button.setBorderWidth(2);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(button.grab().toImage().pixelColor(0, 20), navy);
        button.setFocus(Qt::MouseFocusReason);
        QCOMPARE(button.grab().toImage().pixelColor(3, 20), green);
        button.clearFocus();
        QTest::keyClick(&window, Qt::Key_Tab);
        QVERIFY(button.hasFocus());
        QVERIFY(button.grab().toImage().pixelColor(3, 20) != green);
    }
};

QTEST_MAIN(TestUiButton)
#include "tst_uibutton.moc"
