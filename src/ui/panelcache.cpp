#include "panelcache.h"

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

void PanelCacheStyle::drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                                    const QWidget *widget) const
{
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
