// Writes the window icon out as a Windows icon file holding it at the sizes Windows asks for
// (title bar, taskbar, Explorer's views, the Start menu):
//   giro-iconico INPUT OUTPUT
// The icon is pixel art drawn at 32x32: it is enlarged by whole multiples without smoothing,
// and smoothed only where Windows wants a size that is not one (16, 24, 48).
// Each size is stored as PNG, which Windows reads in icons since Vista.

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QTextStream>
#include <QtEndian>

namespace {

constexpr int kSizes[] = {16, 24, 32, 48, 64, 128, 256};

void putLE16(QByteArray &out, quint16 value)
{
    char bytes[2];
    qToLittleEndian(value, bytes);
    out.append(bytes, 2);
}

void putLE32(QByteArray &out, quint32 value)
{
    char bytes[4];
    qToLittleEndian(value, bytes);
    out.append(bytes, 4);
}

} // namespace

int main(int argc, char *argv[])
{
    QTextStream err(stderr);
    if (argc != 3) {
        err << "usage: giro-iconico INPUT OUTPUT\n";
        return 2;
    }
    const QString input = QString::fromLocal8Bit(argv[1]);
    const QString output = QString::fromLocal8Bit(argv[2]);
    const QImage icon = QImage(input).convertToFormat(QImage::Format_ARGB32);
    if (icon.isNull() || icon.width() != icon.height()) {
        err << "giro-iconico: cannot read a square picture from " << input << '\n';
        return 1;
    }

    QList<QByteArray> pictures;
    for (const int size : kSizes) {
        const Qt::TransformationMode mode = size % icon.width() == 0 ? Qt::FastTransformation : Qt::SmoothTransformation;
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        icon.scaled(size, size, Qt::IgnoreAspectRatio, mode).save(&buffer, "PNG");
        pictures.append(png);
    }

    // ICONDIR, one ICONDIRENTRY per size, then the pictures in the same order.
    QByteArray file;
    putLE16(file, 0);
    putLE16(file, 1);
    putLE16(file, quint16(pictures.size()));
    quint32 offset = 6 + 16 * quint32(pictures.size());
    for (qsizetype i = 0; i < pictures.size(); ++i) {
        const int size = kSizes[i];
        file.append(char(size >= 256 ? 0 : size)); // 0 stands for 256
        file.append(char(size >= 256 ? 0 : size));
        file.append(char(0)); // no palette
        file.append(char(0));
        putLE16(file, 1);  // colour planes
        putLE16(file, 32); // bits per pixel
        putLE32(file, quint32(pictures[i].size()));
        putLE32(file, offset);
        offset += quint32(pictures[i].size());
    }
    for (const QByteArray &picture : pictures)
        file.append(picture);

    QFile out(output);
    if (!out.open(QIODevice::WriteOnly) || out.write(file) != file.size()) {
        err << "giro-iconico: cannot write " << output << '\n';
        return 1;
    }
    return 0;
}
