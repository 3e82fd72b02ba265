#include "ui/KTButton.h"

#include <QFontMetricsF>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QVariantAnimation>

#include <algorithm>
#include <cmath>

namespace {

// The other end of a fade to or from no colour: the same colour, clear.
QColor clearVersionOf(const QColor &color)
{
    QColor clear = color;
    clear.setAlpha(0);
    return clear;
}

QPainterPath roundedRect(const QRectF &rect, double radius)
{
    QPainterPath path;
    radius = std::clamp(radius, 0.0, std::min(rect.width(), rect.height()) / 2);
    path.addRoundedRect(rect, radius, radius);
    return path;
}

} // namespace

KTButton::KTButton(QWidget *parent)
    : QAbstractButton(parent)
{
    m_slots[index(ColorSlot::Border)].shown = Qt::black;
    m_slots[index(ColorSlot::Background)].shown = Qt::red;
    m_slots[index(ColorSlot::Title)].shown = Qt::white;
    for (Slot &slot : m_slots)
        slot.target = slot.shown;
    setAttribute(Qt::WA_TransparentForMouseEvents, !isEnabled());
    setupImageLayer();
    setupTitleLayer();
}

void KTButton::setTitle(const QString &title)
{
    m_title = title;
    setText(title);
    setupTitleLayer();
    updateGeometry();
}

void KTButton::setImage(const QPixmap &image)
{
    m_image = image;
    setupImageLayer();
    updateGeometry();
}

void KTButton::setImagePosition(int position)
{
    m_imagePosition = position;
    setupImageLayer();
    setupTitleLayer();
    updateGeometry();
}

void KTButton::setSpacing(double spacing)
{
    m_spacing = spacing;
    setupImageLayer();
    setupTitleLayer();
    updateGeometry();
}

void KTButton::setState(int state)
{
    m_state = state > 0 ? StateOn : state < 0 ? StateMixed : StateOff;
    animateColorWithState(m_state);
}

void KTButton::setMomentary(bool momentary)
{
    m_momentary = momentary;
    animateColorWithState(m_state);
}

void KTButton::setCornerRadius(double radius)
{
    m_cornerRadius = radius;
    update();
}

void KTButton::setBorderWidth(double width)
{
    m_borderWidth = width;
    update();
}

void KTButton::setColor(ColorSet &set, ColorSlot slot, const QColor &color)
{
    set[index(slot)] = color;
    animateColorWithState(m_state);
}

void KTButton::animateColorWithState(int state)
{
    removeAllAnimations();
    const bool on = state == StateOn;
    const ColorSet &colors = on ? m_highlight : m_normal;
    const double seconds = on ? m_onAnimateDuration : m_offAnimateDuration;
    for (ColorSlot slot : {ColorSlot::Border, ColorSlot::Background, ColorSlot::Image, ColorSlot::Title})
        animateSlot(slot, colors[index(slot)], seconds);
}

void KTButton::animateSlot(ColorSlot which, const QColor &color, double seconds)
{
    Slot &slot = m_slots[index(which)];
    if (slot.shown == color)
        return;
    slot.target = color;
    const int ms = std::isfinite(seconds) ? int(std::round(std::clamp(seconds, 0.0, 86400.0) * 1000)) : 0;
    if (ms == 0) {
        slot.shown = color;
        update();
        return;
    }
    auto *animation = new QVariantAnimation(this);
    animation->setStartValue(slot.shown.isValid() ? slot.shown : clearVersionOf(color));
    animation->setEndValue(color.isValid() ? color : clearVersionOf(slot.shown));
    animation->setDuration(ms);
    connect(animation, &QVariantAnimation::valueChanged, this, [this, which](const QVariant &value) {
        m_slots[index(which)].shown = value.value<QColor>();
        update();
    });
    // The end value may stand in for no colour; the target is exact.
    connect(animation, &QVariantAnimation::finished, this, [this, which, animation] {
        Slot &done = m_slots[index(which)];
        done.shown = done.target;
        done.animation = nullptr;
        animation->deleteLater();
        update();
    });
    slot.animation = animation;
    animation->start();
}

void KTButton::removeAllAnimations()
{
    for (Slot &slot : m_slots) {
        if (!slot.animation)
            continue;
        // Deleting a running animation emits no finished().
        delete slot.animation;
        slot.animation = nullptr;
        slot.shown = slot.target;
    }
    update();
}

bool KTButton::isAnimating(ColorSlot slot) const
{
    const QVariantAnimation *animation = m_slots[index(slot)].animation;
    return animation && animation->state() == QAbstractAnimation::Running;
}

int KTButton::runningAnimationCount() const
{
    int count = 0;
    for (ColorSlot slot : {ColorSlot::Border, ColorSlot::Background, ColorSlot::Image, ColorSlot::Title})
        count += isAnimating(slot);
    return count;
}

void KTButton::toggle()
{
    setState(m_state == StateOn ? StateOff : StateOn);
}

QSizeF KTButton::titleSize() const
{
    if (m_title.isEmpty())
        return QSizeF(0, 0);
    const QFontMetricsF metrics(font());
    return QSizeF(metrics.horizontalAdvance(m_title), metrics.height());
}

KTButtonLayout KTButton::layoutInputs() const
{
    KTButtonLayout layout;
    layout.buttonSize = size();
    layout.hasImage = !m_image.isNull();
    if (layout.hasImage)
        layout.imageSize = m_image.deviceIndependentSize();
    layout.hasTitle = !m_title.isNull();
    if (layout.hasTitle)
        layout.titleSize = titleSize();
    layout.spacing = m_spacing;
    layout.imagePosition = m_imagePosition;
    layout.imageHugsTitle = m_imageHugsTitle;
    return layout;
}

void KTButton::setupImageLayer()
{
    const KTButtonLayout layout = layoutInputs();
    m_hasImageLayer = layout.showsImage();
    m_imageRect = layout.imageRect();
    update();
}

void KTButton::setupTitleLayer()
{
    const KTButtonLayout layout = layoutInputs();
    m_hasTitleLayer = layout.showsTitle();
    m_titleRect = layout.titleRect();
    update();
}

QSize KTButton::sizeHint() const
{
    return layoutInputs().fittingSize().toSize();
}

QSize KTButton::minimumSizeHint() const
{
    return sizeHint();
}

void KTButton::resizeEvent(QResizeEvent *event)
{
    QAbstractButton::resizeEvent(event);
    setupImageLayer();
    setupTitleLayer();
}

void KTButton::changeEvent(QEvent *event)
{
    QAbstractButton::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        setupTitleLayer();
        updateGeometry();
    } else if (event->type() == QEvent::EnabledChange) {
        // A disabled button must not swallow clicks meant for what lies
        // behind it, as a disabled QAbstractButton otherwise would.
        setAttribute(Qt::WA_TransparentForMouseEvents, !isEnabled());
    }
}

void KTButton::showEvent(QShowEvent *event)
{
    QAbstractButton::showEvent(event);
    if (m_alphaDecided)
        return;
    m_alphaDecided = true;
    m_alpha = isEnabled() ? 1.0 : 0.5;
    update();
}

void KTButton::enterEvent(QEnterEvent *)
{
    if (!isEnabled())
        return;
    m_mouseDown = true;
    toggle();
}

void KTButton::leaveEvent(QEvent *)
{
    if (!m_mouseDown)
        return;
    m_mouseDown = false;
    toggle();
}

void KTButton::mousePressEvent(QMouseEvent *event)
{
    // The click is decided on release alone; the base class would track a
    // press and draw nothing we use.
    event->accept();
}

void KTButton::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    event->accept();
    if (!m_mouseDown)
        return;
    m_mouseDown = false;
    if (m_momentary)
        toggle();
    emit clicked(false);
}

void KTButton::keyPressEvent(QKeyEvent *event)
{
    // Space is the base class's (activation on release); Enter activates
    // at once, as a focused push button does on Linux desktops.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && !event->isAutoRepeat()) {
        event->accept();
        click();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}

void KTButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    if (m_alpha >= 1.0) {
        paintButton(painter);
        return;
    }
    // The opacity is the whole button's: parts are composed first, so the
    // background does not show through the image and the title.
    const double ratio = devicePixelRatioF();
    QImage composed(size() * ratio, QImage::Format_ARGB32_Premultiplied);
    composed.setDevicePixelRatio(ratio);
    composed.fill(Qt::transparent);
    QPainter composer(&composed);
    paintButton(composer);
    composer.end();
    painter.setOpacity(m_alpha);
    painter.drawImage(QPointF(0, 0), composed);
}

void KTButton::paintButton(QPainter &painter) const
{
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);

    const QRectF bounds = rect();
    const QPainterPath outline = roundedRect(bounds, m_cornerRadius);
    const QColor background = shownColor(ColorSlot::Background);
    if (background.isValid())
        painter.fillPath(outline, background);

    painter.save();
    painter.setClipPath(outline);
    paintImage(painter);
    paintTitle(painter);
    painter.restore();

    // The border lies inside the bounds, over the content.
    const QColor border = shownColor(ColorSlot::Border);
    if (border.isValid() && m_borderWidth > 0) {
        const double w = std::min(m_borderWidth, std::min(bounds.width(), bounds.height()) / 2);
        QPainterPath ring = outline;
        ring.addPath(roundedRect(bounds.adjusted(w, w, -w, -w), m_cornerRadius - w));
        ring.setFillRule(Qt::OddEvenFill);
        painter.fillPath(ring, border);
    }
    paintFocus(painter);
}

void KTButton::paintImage(QPainter &painter) const
{
    const QColor color = shownColor(ColorSlot::Image);
    if (!m_hasImageLayer || !color.isValid() || m_imageRect.isEmpty())
        return;
    // A silhouette: the image's alpha, filled with one colour, at the
    // image's own resolution so a 2x image stays sharp at 200 %.
    QImage silhouette = m_image.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QPainter tint(&silhouette);
    tint.setCompositionMode(QPainter::CompositionMode_SourceIn);
    tint.fillRect(silhouette.rect(), color);
    tint.end();
    painter.drawImage(m_imageRect, silhouette);
}

void KTButton::paintTitle(QPainter &painter) const
{
    const QColor color = shownColor(ColorSlot::Title);
    if (!m_hasTitleLayer || !color.isValid() || m_title.isEmpty())
        return;
    painter.setFont(font());
    painter.setPen(color);
    painter.drawText(m_titleRect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine | Qt::TextDontClip, m_title);
}

void KTButton::paintFocus(QPainter &painter) const
{
    // Only after keyboard navigation, like the platform styles: a pointer
    // click also focuses the button, and a ring then is noise.
    if (!hasFocus() || !window()->testAttribute(Qt::WA_KeyboardFocusChange))
        return;
    QColor ring = palette().color(QPalette::Highlight);
    ring.setAlphaF(0.7f);
    QPen pen(ring, 1.5);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    const double inset = std::max(m_borderWidth, 0.0) + 1.5;
    painter.drawPath(roundedRect(QRectF(rect()).adjusted(inset, inset, -inset, -inset), m_cornerRadius - inset));
}
