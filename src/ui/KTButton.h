#pragma once

#include "ui/KTButtonLayout.h"

#include <QAbstractButton>
#include <QColor>
#include <QPixmap>

#include <array>

class QVariantAnimation;

// The project's push button. It paints itself: a rounded background with a
// border, the image as a silhouette (only its opaque pixels, all in one
// colour) and the title. Each of the four colours (border, background, image,
// title) has a normal and a highlight value; the button shows the highlight
// set while its state is on, the normal set otherwise, and fades between them.
//
// Hovering toggles the state (a preview) and leaving toggles it back; a left
// release while hovered sends clicked() and, for a momentary button, toggles
// back at once, so a momentary button highlights only while hovered and a
// plain one keeps the state the hover previewed. Space or Enter with focus
// sends clicked() too, without touching the state. The button is never
// checkable; its state is its own.
//
// Until a colour is first applied the background is red, so a button left
// unconfigured is easy to spot; the border starts black and the title white,
// the image has no colour (it is not drawn).
//
// A disabled button ignores the pointer and lets clicks through to what lies
// behind it. Whether it is drawn at half opacity is decided once, when it is
// first shown: a form sets the enabled flag after construction but before the
// first show. Later changes of the enabled flag do not change the opacity.
class KTButton : public QAbstractButton
{
    Q_OBJECT
    Q_PROPERTY(QString title READ title WRITE setTitle)
    Q_PROPERTY(QPixmap image READ image WRITE setImage)
    Q_PROPERTY(int imagePosition READ imagePosition WRITE setImagePosition)
    Q_PROPERTY(bool imageHugsTitle READ imageHugsTitle WRITE setImageHugsTitle)
    Q_PROPERTY(int state READ state WRITE setState)
    Q_PROPERTY(bool momentary READ isMomentary WRITE setMomentary)
    Q_PROPERTY(double cornerRadius READ cornerRadius WRITE setCornerRadius)
    Q_PROPERTY(double borderWidth READ borderWidth WRITE setBorderWidth)
    Q_PROPERTY(double spacing READ spacing WRITE setSpacing)
    Q_PROPERTY(double onAnimateDuration READ onAnimateDuration WRITE setOnAnimateDuration)
    Q_PROPERTY(double offAnimateDuration READ offAnimateDuration WRITE setOffAnimateDuration)
    Q_PROPERTY(QColor backgroundNormalColor READ backgroundNormalColor WRITE setBackgroundNormalColor)
    Q_PROPERTY(QColor backgroundHighlightColor READ backgroundHighlightColor WRITE setBackgroundHighlightColor)
    Q_PROPERTY(QColor borderNormalColor READ borderNormalColor WRITE setBorderNormalColor)
    Q_PROPERTY(QColor borderHighlightColor READ borderHighlightColor WRITE setBorderHighlightColor)
    Q_PROPERTY(QColor imageNormalColor READ imageNormalColor WRITE setImageNormalColor)
    Q_PROPERTY(QColor imageHighlightColor READ imageHighlightColor WRITE setImageHighlightColor)
    Q_PROPERTY(QColor titleNormalColor READ titleNormalColor WRITE setTitleNormalColor)
    Q_PROPERTY(QColor titleHighlightColor READ titleHighlightColor WRITE setTitleHighlightColor)
    Q_PROPERTY(bool mouseDown READ mouseDown)
public:
    enum class ColorSlot { Border, Background, Image, Title };
    static constexpr int StateOn = 1;
    static constexpr int StateOff = 0;
    static constexpr int StateMixed = -1;

    explicit KTButton(QWidget *parent = nullptr);

    // A null title is no title; an empty one is a title. Also the
    // accessible text.
    QString title() const { return m_title; }
    void setTitle(const QString &title);
    // Null is no image. Its size in layout units is its size over its device
    // pixel ratio, so a 2x pixmap is drawn at full resolution.
    QPixmap image() const { return m_image; }
    void setImage(const QPixmap &image);
    // KTButtonLayout::ImagePosition values.
    int imagePosition() const { return m_imagePosition; }
    void setImagePosition(int position);
    // Stored only; it shows at the next re-layout (title, image, position,
    // spacing, font or size change).
    bool imageHugsTitle() const { return m_imageHugsTitle; }
    void setImageHugsTitle(bool hugs) { m_imageHugsTitle = hugs; }
    double spacing() const { return m_spacing; }
    void setSpacing(double spacing);

    // StateOn, StateOff or StateMixed (any other value is taken by its sign).
    // Setting it fades to the colours of the new state.
    int state() const { return m_state; }
    void setState(int state);
    bool isMomentary() const { return m_momentary; }
    void setMomentary(bool momentary);
    bool mouseDown() const { return m_mouseDown; }

    double cornerRadius() const { return m_cornerRadius; }
    void setCornerRadius(double radius);
    double borderWidth() const { return m_borderWidth; }
    void setBorderWidth(double width);
    // Fade durations in seconds towards the on and towards the other states;
    // 0 changes the colours at once.
    double onAnimateDuration() const { return m_onAnimateDuration; }
    void setOnAnimateDuration(double seconds) { m_onAnimateDuration = seconds; }
    double offAnimateDuration() const { return m_offAnimateDuration; }
    void setOffAnimateDuration(double seconds) { m_offAnimateDuration = seconds; }

    // An invalid colour is no colour: that part is not drawn. Each setter
    // re-applies the colours of the current state.
    QColor backgroundNormalColor() const { return normalColor(ColorSlot::Background); }
    void setBackgroundNormalColor(const QColor &c) { setColor(m_normal, ColorSlot::Background, c); }
    QColor backgroundHighlightColor() const { return highlightColor(ColorSlot::Background); }
    void setBackgroundHighlightColor(const QColor &c) { setColor(m_highlight, ColorSlot::Background, c); }
    QColor borderNormalColor() const { return normalColor(ColorSlot::Border); }
    void setBorderNormalColor(const QColor &c) { setColor(m_normal, ColorSlot::Border, c); }
    QColor borderHighlightColor() const { return highlightColor(ColorSlot::Border); }
    void setBorderHighlightColor(const QColor &c) { setColor(m_highlight, ColorSlot::Border, c); }
    QColor imageNormalColor() const { return normalColor(ColorSlot::Image); }
    void setImageNormalColor(const QColor &c) { setColor(m_normal, ColorSlot::Image, c); }
    QColor imageHighlightColor() const { return highlightColor(ColorSlot::Image); }
    void setImageHighlightColor(const QColor &c) { setColor(m_highlight, ColorSlot::Image, c); }
    QColor titleNormalColor() const { return normalColor(ColorSlot::Title); }
    void setTitleNormalColor(const QColor &c) { setColor(m_normal, ColorSlot::Title, c); }
    QColor titleHighlightColor() const { return highlightColor(ColorSlot::Title); }
    void setTitleHighlightColor(const QColor &c) { setColor(m_highlight, ColorSlot::Title, c); }

    // Ends any running fade (each part jumps to its target), then fades each
    // part whose shown colour differs from the colour for the given state.
    void animateColorWithState(int state);
    // Ends every running fade at once, each part showing its target.
    void removeAllAnimations();

    // What is painted now (mid-fade while fading) and where each part is
    // heading.
    QColor shownColor(ColorSlot slot) const { return m_slots[index(slot)].shown; }
    QColor targetColor(ColorSlot slot) const { return m_slots[index(slot)].target; }
    bool isAnimating(ColorSlot slot) const;
    int runningAnimationCount() const;

    // The last layout; a part that is not shown has a null rectangle.
    bool hasImageLayer() const { return m_hasImageLayer; }
    bool hasTitleLayer() const { return m_hasTitleLayer; }
    QRectF imageRect() const { return m_imageRect; }
    QRectF titleRect() const { return m_titleRect; }
    // The title's size in the button's font: advance width and line height
    // (ascent + descent); an empty title measures 0 x 0.
    QSizeF titleSize() const;

    // 1.0, or 0.5 when the button was disabled at its first show.
    double alphaValue() const { return m_alpha; }

    QSize sizeHint() const override;
    // The fitting size too: a layout never squeezes the title or image.
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    struct Slot
    {
        QColor shown;
        QColor target;
        QVariantAnimation *animation = nullptr;
    };
    using ColorSet = std::array<QColor, 4>;

    static constexpr std::size_t index(ColorSlot slot) { return std::size_t(slot); }
    QColor normalColor(ColorSlot slot) const { return m_normal[index(slot)]; }
    QColor highlightColor(ColorSlot slot) const { return m_highlight[index(slot)]; }
    void setColor(ColorSet &set, ColorSlot slot, const QColor &color);
    void animateSlot(ColorSlot slot, const QColor &color, double seconds);
    void toggle();

    KTButtonLayout layoutInputs() const;
    void setupImageLayer();
    void setupTitleLayer();

    void paintButton(QPainter &painter) const;
    void paintImage(QPainter &painter) const;
    void paintTitle(QPainter &painter) const;
    void paintFocus(QPainter &painter) const;

    QString m_title;
    QPixmap m_image;
    int m_imagePosition = KTButtonLayout::NoImage;
    bool m_imageHugsTitle = false;
    double m_spacing = 0;
    int m_state = StateOff;
    bool m_momentary = false;
    bool m_mouseDown = false;
    double m_cornerRadius = 0;
    double m_borderWidth = 0;
    double m_onAnimateDuration = 0;
    double m_offAnimateDuration = 0;
    ColorSet m_normal;
    ColorSet m_highlight;
    std::array<Slot, 4> m_slots;

    bool m_hasImageLayer = false;
    bool m_hasTitleLayer = false;
    QRectF m_imageRect;
    QRectF m_titleRect;

    bool m_alphaDecided = false;
    double m_alpha = 1.0;
};
