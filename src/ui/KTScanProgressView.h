#pragma once

#include "ui/KTLayer.h"

#include <QColor>
#include <QFont>
#include <QSvgRenderer>
#include <QWidget>

class QVariantAnimation;

// The busy circle: two concentric grey rings, a spinner image that turns
// once a second and a one-line caption. The parts are KTLayers in the
// view's layer coordinates (origin bottom-left, y up) and are painted, in
// that order, while attached.
class KTScanProgressView : public QWidget
{
    Q_OBJECT
public:
    // The key the rotation animation is kept under.
    static constexpr const char *RotateAnimationKey = "kt_rotate";

    // Placed at frame; only a busy view ever spins. Nothing is attached
    // until setupWithTitle().
    KTScanProgressView(const QRectF &frame, bool isBusy, QWidget *parent = nullptr);

    bool isBusy() const { return m_isBusy; }

    const KTLayer &circleLayer() const { return m_circleLayer; }
    const KTLayer &progressTextLayer() const { return m_progressTextLayer; }
    const KTLayer &innerCircleLayer() const { return m_innerCircleLayer; }
    const KTLayer &outerCircleLayer() const { return m_outerCircleLayer; }

    // Lays out and attaches the two rings for the current size.
    void setOutInnerCircle();
    // Rings, spinner image and caption, laid out for the current size and
    // attached.
    void setupWithTitle(const QString &title);
    // Shows the caption text below the middle of the view.
    void setTitle(const QString &title);

    QString title() const { return m_title; }
    QFont captionFont() const { return m_captionFont; }
    QColor captionColor() const { return m_captionColor; }

    // Spins the image (busy views only), replacing a running spin.
    void start();
    // Detaches everything and ends the spin; nothing is painted afterwards.
    void stop();
    // Ends the spin only.
    void stopAnimation();
    // Detaches everything, leaving the spin running.
    void removeLayers();

    bool hasAnimation(const QString &key) const;
    bool isSpinning() const;
    // The image's current angle in radians, in layer terms (negative turns
    // clockwise on screen); 0 when still.
    double rotationAngle() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void paintShape(QPainter &painter, const KTLayer &layer) const;
    void paintImage(QPainter &painter);
    void paintCaption(QPainter &painter) const;
    void detachCaption();
    void detachImageAndRings();
    // Tells assistive technology the busy state changed.
    void announceBusy();

    bool m_isBusy;
    KTLayer m_circleLayer;
    KTLayer m_progressTextLayer;
    KTLayer m_innerCircleLayer;
    KTLayer m_outerCircleLayer;
    QSvgRenderer m_image;
    QString m_title;
    QFont m_captionFont;
    QColor m_captionColor;
    QVariantAnimation *m_rotation = nullptr;
};
