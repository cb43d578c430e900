// Writes a window icon out as a PNG, for the desktop's icon theme and the web page:
//   giro-iconpng INPUT OUTPUT SIZE [BACKGROUND]
// The icon is pixel art, so it is enlarged only by whole multiples and without smoothing; a
// size that is not one is an error rather than a blurred picture. With a BACKGROUND colour
// (#rrggbb) the picture is opaque, for systems that cut an icon to a shape of their own (a
// phone's home screen): the icon, enlarged as far as a whole multiple keeps it inside the
// circle every such shape leaves whole (four fifths of the size across), lies centred on it.

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QTextStream>

#include <cmath>

int main(int argc, char *argv[])
{
    QTextStream err(stderr);
    if (argc != 4 && argc != 5) {
        err << "usage: giro-iconpng INPUT OUTPUT SIZE [BACKGROUND]\n";
        return 2;
    }
    const QString input = QString::fromLocal8Bit(argv[1]);
    const QString output = QString::fromLocal8Bit(argv[2]);
    bool sizeOk = false;
    const int size = QString::fromLocal8Bit(argv[3]).toInt(&sizeOk);
    const QColor background = argc == 5 ? QColor(QString::fromLocal8Bit(argv[4])) : QColor();

    const QImage icon = QImage(input).convertToFormat(QImage::Format_ARGB32);
    if (icon.isNull() || icon.width() != icon.height()) {
        err << "giro-iconpng: cannot read a square picture from " << input << '\n';
        return 1;
    }
    if (argc == 5 && !background.isValid()) {
        err << "giro-iconpng: " << argv[4] << " is not a colour\n";
        return 1;
    }
    QImage picture;
    if (argc == 4) {
        if (!sizeOk || size <= 0 || size % icon.width() != 0) {
            err << "giro-iconpng: " << argv[3] << " is not a whole multiple of the icon's "
                << icon.width() << " pixels\n";
            return 1;
        }
        picture = icon.scaled(size, size, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    } else {
        // A square inside the circle of radius 0.4 * size: its half diagonal at most that.
        const int times = sizeOk ? int(std::floor(0.4 * size * std::sqrt(2.0) / icon.width())) : 0;
        if (times < 1) {
            err << "giro-iconpng: " << argv[3] << " is too small for the icon with its margin\n";
            return 1;
        }
        const int side = times * icon.width();
        picture = QImage(size, size, QImage::Format_ARGB32);
        picture.fill(background);
        QPainter painter(&picture);
        painter.drawImage(QPoint((size - side) / 2, (size - side) / 2),
                          icon.scaled(side, side, Qt::IgnoreAspectRatio, Qt::FastTransformation));
    }
    if (!picture.save(output, "PNG")) {
        err << "giro-iconpng: cannot write " << output << '\n';
        return 1;
    }
    return 0;
}
