// Writes a picture of the main window as a player first sees it, for the web page to show in
// its place while the program loads:
//   giro-startscreen OUTPUT.png
// Run it on the offscreen platform with QT_SCALE_FACTOR set to the picture's pixels per pixel
// of the window. The window is the game's own, built with the same Qt as the web's, in the
// light palette a browser's page gets unless it asks for a dark one, its keyboard in the
// question box as when the game starts.

#include <QApplication>
#include <QHash>
#include <QImage>
#include <QStyle>
#include <QTextStream>

#include <algorithm>
#include <vector>

#include "form1.h"
#include "rungame.h"

namespace {

// The picture with a palette of its 256 most frequent colours, each other colour drawn as the
// nearest of them. The flat faces of the window are all kept exactly; what goes is a shade of
// the edge of a letter or of a gradient now and then, a difference no one sees, and the file is
// half the size.
QImage withPalette(const QImage &picture)
{
    QHash<QRgb, qsizetype> counts;
    for (int y = 0; y < picture.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(picture.constScanLine(y));
        for (int x = 0; x < picture.width(); ++x)
            ++counts[line[x] | 0xff000000];
    }
    std::vector<std::pair<qsizetype, QRgb>> byCount;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        byCount.emplace_back(it.value(), it.key());
    std::sort(byCount.begin(), byCount.end(), std::greater<>());
    QList<QRgb> palette;
    for (std::size_t k = 0; k < byCount.size() && k < 256; ++k)
        palette.append(byCount[k].second);

    QHash<QRgb, uchar> index;
    const auto nearest = [&palette](QRgb colour) {
        const auto distance = [colour](QRgb other) {
            const int r = qRed(colour) - qRed(other), g = qGreen(colour) - qGreen(other),
                      b = qBlue(colour) - qBlue(other);
            return r * r + g * g + b * b;
        };
        return uchar(std::min_element(palette.cbegin(), palette.cend(), [&](QRgb a, QRgb b) {
                         return distance(a) < distance(b);
                     }) - palette.cbegin());
    };
    QImage indexed(picture.size(), QImage::Format_Indexed8);
    indexed.setColorTable(palette);
    indexed.setDevicePixelRatio(picture.devicePixelRatio());
    for (int y = 0; y < picture.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(picture.constScanLine(y));
        uchar *out = indexed.scanLine(y);
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb colour = line[x] | 0xff000000;
            auto found = index.constFind(colour);
            if (found == index.cend())
                found = index.insert(colour, nearest(colour));
            out[x] = *found;
        }
    }
    return indexed;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QTextStream err(stderr);
    if (argc != 2) {
        err << "usage: giro-startscreen OUTPUT.png\n";
        return 2;
    }
    ui::prepareApplication();
    // The palette the web's platform gives every page that does not ask for a dark one.
    QApplication::setPalette(QApplication::style()->standardPalette());

    auto *form = new Form1;
    form->show();
    form->activateWindow();
    QApplication::processEvents();
    // The caret is drawn as in the first frame of the page, which shows it.
    const QImage picture = withPalette(form->grab().toImage().convertToFormat(QImage::Format_RGB32));
    if (!picture.save(QString::fromLocal8Bit(argv[1]), "PNG", 0)) {
        err << "giro-startscreen: cannot write " << argv[1] << '\n';
        return 1;
    }
    return 0;
}
