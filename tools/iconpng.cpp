// Writes a window icon out as the PNG that desktops look for in the icon theme:
//   giro-iconpng INPUT OUTPUT SIZE
// The icon is pixel art drawn at its size, so it is written unscaled; a size that does not
// match is an error rather than a blurred picture.

#include <QImage>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QTextStream err(stderr);
    if (argc != 4) {
        err << "usage: giro-iconpng INPUT OUTPUT SIZE\n";
        return 2;
    }
    const QString input = QString::fromLocal8Bit(argv[1]);
    const QString output = QString::fromLocal8Bit(argv[2]);
    bool sizeOk = false;
    const int size = QString::fromLocal8Bit(argv[3]).toInt(&sizeOk);

    const QImage icon(input);
    if (icon.isNull()) {
        err << "giro-iconpng: cannot read " << input << '\n';
        return 1;
    }
    if (!sizeOk || icon.size() != QSize(size, size)) {
        err << "giro-iconpng: " << input << " is " << icon.width() << 'x' << icon.height()
            << ", not " << argv[3] << 'x' << argv[3] << '\n';
        return 1;
    }
    if (!icon.convertToFormat(QImage::Format_ARGB32).save(output, "PNG")) {
        err << "giro-iconpng: cannot write " << output << '\n';
        return 1;
    }
    return 0;
}
