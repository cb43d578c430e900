#pragma once
// The board as players with other colour vision see it: in greyscale, and under Machado,
// Oliveira and Fernandes' (2009) simulations of the three dichromacies at full severity, each
// a matrix over linear RGB. Used by the window tests and by giro-snapshot's pictures.

#include <QImage>
#include <QString>

#include <algorithm>
#include <array>
#include <cmath>

namespace colourvision {

enum class View { Colour, Greyscale, Protanopia, Deuteranopia, Tritanopia };

inline QString viewName(View view)
{
    switch (view) {
    case View::Colour:
        return QStringLiteral("colour");
    case View::Greyscale:
        return QStringLiteral("greyscale");
    case View::Protanopia:
        return QStringLiteral("protanopia");
    case View::Deuteranopia:
        return QStringLiteral("deuteranopia");
    case View::Tritanopia:
        return QStringLiteral("tritanopia");
    }
    return {};
}

using Matrix = std::array<std::array<double, 3>, 3>;

inline Matrix matrixOf(View view)
{
    switch (view) {
    case View::Protanopia:
        return {{{0.152286, 1.052583, -0.204868}, {0.114503, 0.786281, 0.099216}, {-0.003882, -0.048116, 1.051998}}};
    case View::Deuteranopia:
        return {{{0.367322, 0.860646, -0.227968}, {0.280085, 0.672501, 0.047413}, {-0.011820, 0.042940, 0.968881}}};
    case View::Tritanopia:
        return {{{1.255528, -0.076749, -0.178779}, {-0.078411, 0.930809, 0.147602}, {0.004733, 0.691367, 0.303900}}};
    case View::Greyscale: // every channel the relative luminance
        return {{{0.2126, 0.7152, 0.0722}, {0.2126, 0.7152, 0.0722}, {0.2126, 0.7152, 0.0722}}};
    case View::Colour:
        break;
    }
    return {{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};
}

inline double toLinear(int channel)
{
    const double c = channel / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

inline int fromLinear(double linear)
{
    const double c = std::clamp(linear, 0.0, 1.0);
    const double v = c <= 0.0031308 ? c * 12.92 : 1.055 * std::pow(c, 1 / 2.4) - 0.055;
    return int(std::lround(v * 255.0));
}

inline QRgb seen(QRgb pixel, const Matrix &m)
{
    const double rgb[3] = {toLinear(qRed(pixel)), toLinear(qGreen(pixel)), toLinear(qBlue(pixel))};
    int out[3];
    for (int i = 0; i < 3; ++i)
        out[i] = fromLinear(m[i][0] * rgb[0] + m[i][1] * rgb[1] + m[i][2] * rgb[2]);
    return qRgb(out[0], out[1], out[2]);
}

// The picture as the view shows it, at the picture's own scale.
inline QImage simulate(const QImage &picture, View view)
{
    QImage out = picture.convertToFormat(QImage::Format_RGB32);
    if (view == View::Colour)
        return out;
    const Matrix m = matrixOf(view);
    for (int y = 0; y < out.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x)
            line[x] = seen(line[x], m);
    }
    return out;
}

// CIE 1976 colour difference of two sRGB colours (D65 white).
inline double deltaE(QRgb a, QRgb b)
{
    const auto lab = [](QRgb c) {
        const double r = toLinear(qRed(c)), g = toLinear(qGreen(c)), bl = toLinear(qBlue(c));
        const double xyz[3] = {(0.4124 * r + 0.3576 * g + 0.1805 * bl) / 0.95047, 0.2126 * r + 0.7152 * g + 0.0722 * bl,
                               (0.0193 * r + 0.1192 * g + 0.9505 * bl) / 1.08883};
        double f[3];
        for (int i = 0; i < 3; ++i)
            f[i] = xyz[i] > 216.0 / 24389 ? std::cbrt(xyz[i]) : (24389.0 / 27 * xyz[i] + 16) / 116;
        return std::array<double, 3>{116 * f[1] - 16, 500 * (f[0] - f[1]), 200 * (f[1] - f[2])};
    };
    const auto p = lab(a), q = lab(b);
    return std::sqrt((p[0] - q[0]) * (p[0] - q[0]) + (p[1] - q[1]) * (p[1] - q[1]) + (p[2] - q[2]) * (p[2] - q[2]));
}

} // namespace colourvision
