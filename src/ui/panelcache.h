#pragma once

#include <QHash>
#include <QPixmap>
#include <QProxyStyle>

namespace ui {

// The style of the main window's line edits: the window's own, except that a box's panel (its
// background and rounded frame) is drawn from a picture made once for each look it takes
// (size, scale, focus, palette), over the window's colour. Redrawing the frame's smoothed
// outline costs more than all the rest of a box's repaint, and a box repaints whole whenever
// its text changes, as the time box does every second, and whenever its caret blinks.
//
// A box drawn this way paints every one of its pixels, so it is marked opaque and the window
// behind it is not repainted with it; it must lie on the window's plain desktop colour.
//
// It also draws the frame of a box with a scrolling text area (the question box) on whole
// device pixels: the first and last rows and columns the box covers. At a fractional scale
// the text area, a child of the box painted after it, covers the device row where the style
// would put the frame's last row whenever that row falls across a pixel (the question box's
// bottom edge at 125 % and 175 %), and the line is lost.
class PanelCacheStyle final : public QProxyStyle {
    Q_OBJECT
public:
    explicit PanelCacheStyle(QStyle *base);

    void drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                       const QWidget *widget) const override;

    // Gives `box` this style and marks it opaque.
    void adopt(QWidget *box);
    // Gives a box with a scrolling text area this style, for its frame.
    void adoptFrame(QWidget *box);

private:
    // What a panel's picture depends on.
    struct Look {
        QSize size;
        qreal scale = 0;
        int state = 0;
        qint64 palette = 0;
        QRgb ground = 0;
        bool operator==(const Look &) const = default;
    };
    struct Picture {
        Look look;
        QPixmap pixmap;
    };
    // One picture per box, made again when its look changes.
    mutable QHash<const QWidget *, Picture> pictures_;
};

} // namespace ui
