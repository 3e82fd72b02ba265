#include "ui/KTScanProgressView.h"

#include "ui/KTAccessibleFactory.h"

#include <QAccessible>

#include "util/core/KTUtility.h"

#include <QApplication>
#include <QPainter>
#include <QVariantAnimation>

#include <numbers>

// The resources sit in a static library, so they are registered by hand.
static void kt_initWidgetResources()
{
    Q_INIT_RESOURCE(kt_widgets);
}

namespace {

const QColor lightGrey = QColor::fromRgbF(2 / 3., 2 / 3., 2 / 3., 1);

// A grey ring of the given radius, stroked 15 wide, centred on middle.
void layOutRing(KTLayer &ring, double radius, int grey, const QPointF &middle)
{
    ring.setBounds(QRectF(0, 0, 2 * radius, 2 * radius));
    ring.setPath(KTUtility::kt_DrawCircleWithRadius(radius));
    ring.setPosition(middle);
    ring.setFillColor(QColor());
    ring.setStrokeColor(QColor::fromRgbF(grey / 255., grey / 255., grey / 255., 1));
    ring.setLineWidth(15);
    ring.setAttached(true);
}

} // namespace

KTScanProgressView::KTScanProgressView(const QRectF &frame, bool isBusy, QWidget *parent)
    : QWidget(parent)
    , m_isBusy(isBusy)
{
    kt_initWidgetResources();
    KTAccessibleFactory::ensureInstalled();
    setGeometry(frame.toRect());
    m_image.load(QStringLiteral(":/kt_progress.svg"));
}

void KTScanProgressView::setOutInnerCircle()
{
    const double w = width();
    const double h = height();
    const QPointF middle(w / 2, h / 2);
    // The outer ring's outer edge touches the nearer sides; the inner ring
    // lies edge to edge inside it.
    const double m = std::min((w + 45) * 0.5, (h + 45) * 0.5);

    layOutRing(m_outerCircleLayer, m - 30, 240, middle);
    layOutRing(m_innerCircleLayer, m - 45, 220, middle);
    update();
}

void KTScanProgressView::setupWithTitle(const QString &title)
{
    setOutInnerCircle();
    const double w = width();
    const double h = height();

    m_circleLayer.setBounds(QRectF(0, 0, w - 55, h - 55));
    m_circleLayer.setPosition(QPointF(w / 2, h / 2));
    m_circleLayer.setAttached(true);

    m_progressTextLayer.setBounds(QRectF(0, 0, w, h));
    m_progressTextLayer.setAnchorPoint(QPointF(0.4, 0.4));
    setTitle(title);
    m_progressTextLayer.setAttached(true);
    update();
}

void KTScanProgressView::setTitle(const QString &title)
{
    const double w = width();
    const double h = height();
    m_progressTextLayer.setHidden(false);
    m_progressTextLayer.setPosition(QPointF(w * 0.5 - 17, h * 0.5 - 106));
    m_captionFont = QFont(QApplication::font().family());
    m_captionFont.setWeight(QFont::Light);
    // A pixel size must be at least 1.
    m_captionFont.setPixelSize(std::max(1, qRound(h * 0.1)));
    m_captionColor = lightGrey;
    m_title = title;
    update();
    QAccessibleEvent event(this, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&event);
}

void KTScanProgressView::start()
{
    if (!m_isBusy)
        return;
    stopAnimation();
    m_rotation = new QVariantAnimation(this);
    m_rotation->setStartValue(0.0f);
    m_rotation->setEndValue(float(-2 * std::numbers::pi));
    m_rotation->setDuration(1000);
    m_rotation->setLoopCount(-1);
    connect(m_rotation, &QVariantAnimation::valueChanged, this, qOverload<>(&QWidget::update));
    m_rotation->start();
    announceBusy();
}

void KTScanProgressView::stop()
{
    detachCaption();
    stopAnimation();
    detachImageAndRings();
}

void KTScanProgressView::stopAnimation()
{
    if (!m_rotation)
        return;
    delete m_rotation;
    m_rotation = nullptr;
    update();
    announceBusy();
}

void KTScanProgressView::removeLayers()
{
    detachCaption();
    detachImageAndRings();
}

void KTScanProgressView::detachCaption()
{
    m_progressTextLayer.setAttached(false);
    update();
}

void KTScanProgressView::detachImageAndRings()
{
    m_circleLayer.setAttached(false);
    m_innerCircleLayer.setAttached(false);
    m_outerCircleLayer.setAttached(false);
    update();
}

bool KTScanProgressView::hasAnimation(const QString &key) const
{
    return m_rotation && key == QLatin1String(RotateAnimationKey);
}

bool KTScanProgressView::isSpinning() const
{
    return m_rotation && m_rotation->state() == QAbstractAnimation::Running;
}

double KTScanProgressView::rotationAngle() const
{
    return m_rotation ? m_rotation->currentValue().toDouble() : 0.0;
}

void KTScanProgressView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    paintShape(painter, m_outerCircleLayer);
    paintShape(painter, m_innerCircleLayer);
    paintImage(painter);
    paintCaption(painter);
}

void KTScanProgressView::paintShape(QPainter &painter, const KTLayer &layer) const
{
    if (!layer.isAttached() || layer.isHidden() || layer.path().isEmpty())
        return;
    const QRectF frame = KTLayer::kt_toWidgetRect(layer.frame(), height());
    painter.save();
    // The path is in the layer's own y-up coordinates.
    painter.translate(frame.left(), frame.bottom());
    painter.scale(1, -1);
    painter.setPen(layer.strokeColor().isValid() ? QPen(layer.strokeColor(), layer.lineWidth()) : QPen(Qt::NoPen));
    painter.setBrush(layer.fillColor().isValid() ? QBrush(layer.fillColor()) : QBrush(Qt::NoBrush));
    painter.drawPath(layer.path());
    painter.restore();
}

void KTScanProgressView::paintImage(QPainter &painter)
{
    if (!m_circleLayer.isAttached() || m_circleLayer.isHidden())
        return;
    const QRectF frame = KTLayer::kt_toWidgetRect(m_circleLayer.frame(), height());
    painter.save();
    painter.translate(frame.center());
    // Painting is y-down, so the layer's angle turns the other way round.
    painter.rotate(-rotationAngle() * 180 / std::numbers::pi);
    painter.translate(-frame.center());
    m_image.render(&painter, frame);
    painter.restore();
}

void KTScanProgressView::paintCaption(QPainter &painter) const
{
    if (!m_progressTextLayer.isAttached() || m_progressTextLayer.isHidden())
        return;
    const QRectF frame = KTLayer::kt_toWidgetRect(m_progressTextLayer.frame(), height());
    painter.save();
    painter.setFont(m_captionFont);
    painter.setPen(m_captionColor);
    painter.drawText(frame, Qt::AlignHCenter | Qt::AlignTop, m_title);
    painter.restore();
}

void KTScanProgressView::announceBusy()
{
    QAccessible::State changed;
    changed.busy = true;
    QAccessibleStateChangeEvent event(this, changed);
    QAccessible::updateAccessibility(&event);
}
