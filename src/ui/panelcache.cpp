#include "panelcache.h"

#include <QAbstractScrollArea>
#include <QPainter>
#include <QStyleOption>
#include <QWidget>

#include "design.h"

namespace ui {

PanelCacheStyle::PanelCacheStyle(QStyle *base) : QProxyStyle(base) {}

void PanelCacheStyle::adopt(QWidget *box)
{
    box->setStyle(this);
    box->setAttribute(Qt::WA_OpaquePaintEvent);
    connect(box, &QObject::destroyed, this, [this, box] { pictures_.remove(box); });
}

void PanelCacheStyle::adoptFrame(QWidget *box)
{
    box->setStyle(this);
}

namespace {

// Draws the frame `style` gives `option` with its outer rows and columns on the outermost device
// pixels the widget paints, whatever the painter's scale.
void drawFrameOnDevicePixels(const QStyle *style, const QStyleOption *option, QPainter *painter,
                             const QWidget *widget)
{
    const QTransform toDevice = painter->deviceTransform();
    const QRectF onDevice = toDevice.mapRect(QRectF(option->rect));
    // A widget paints the device pixels from its edges rounded to the nearest: a row it covers
    // by less than half belongs to the next.
    const QRect pixels(QPoint(qRound(onDevice.left()), qRound(onDevice.top())),
                       QPoint(qRound(onDevice.right()) - 1, qRound(onDevice.bottom()) - 1));
    QImage frame(pixels.size(), QImage::Format_ARGB32_Premultiplied);
    frame.fill(Qt::transparent);
    {
        QPainter onFrame(&frame);
        QStyleOptionFrame unscaled;
        if (const auto *framed = qstyleoption_cast<const QStyleOptionFrame *>(option))
            unscaled = *framed;
        else
            unscaled.QStyleOption::operator=(*option);
        unscaled.rect = frame.rect();
        style->drawPrimitive(QStyle::PE_Frame, &unscaled, &onFrame, widget);
    }
    painter->save();
    // Undoes every scale and shift on the way to the device, so the picture lands pixel for pixel.
    painter->setWorldTransform(painter->worldTransform() * toDevice.inverted());
    painter->drawImage(pixels.topLeft(), frame);
    painter->restore();
}

} // namespace

void PanelCacheStyle::drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                                    const QWidget *widget) const
{
    if (element == PE_Frame && qobject_cast<const QAbstractScrollArea *>(widget)
        && painter->deviceTransform().type() <= QTransform::TxScale) {
        drawFrameOnDevicePixels(baseStyle(), option, painter, widget);
        return;
    }
    if (element != PE_PanelLineEdit || !widget) {
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        return;
    }
    const qreal scale = painter->device()->devicePixelRatioF();
    const QColor ground = desktopColour();
    const Look look{option->rect.size(), scale, int(option->state), option->palette.cacheKey(), ground.rgba()};
    Picture &picture = pictures_[widget];
    if (!(picture.look == look) || picture.pixmap.isNull()) {
        picture.look = look;
        picture.pixmap = QPixmap(option->rect.size() * scale);
        picture.pixmap.setDevicePixelRatio(scale);
        picture.pixmap.fill(ground);
        QPainter onPicture(&picture.pixmap);
        onPicture.translate(-option->rect.topLeft()); // the panel as drawn where it stands
        baseStyle()->drawPrimitive(element, option, &onPicture, widget);
    }
    painter->drawPixmap(option->rect.topLeft(), picture.pixmap);
}

} // namespace ui
