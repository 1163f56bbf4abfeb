#include "app/contrast.h"

#include <QImage>
#include <algorithm>
#include <cmath>

namespace nubexa::app {

namespace {

double channel(int value) {
    const double c = value / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double luminance(const QColor& colour) {
    return 0.2126 * channel(colour.red()) + 0.7152 * channel(colour.green()) +
           0.0722 * channel(colour.blue());
}

// The colour seen where `over` (with its alpha) lies on `under`.
QColor blend(const QColor& over, const QColor& under) {
    const double a = over.alphaF();
    const auto mix = [a](int top, int bottom) {
        return static_cast<int>(std::lround(top * a + bottom * (1 - a)));
    };
    return QColor(mix(over.red(), under.red()), mix(over.green(), under.green()),
                  mix(over.blue(), under.blue()));
}

// The least contrast of `text` over any pixel of `behind` seen through `backing`.
double worstContrast(const QColor& text, const QColor& backing, const QImage& behind) {
    double worst = 21;
    for (int y = 0; y < behind.height(); ++y) {
        for (int x = 0; x < behind.width(); ++x) {
            const QColor seen = blend(backing, behind.pixelColor(x, y));
            worst = std::min(worst, contrastRatio(text, seen));
        }
    }
    return worst;
}

}  // namespace

double contrastRatio(const QColor& a, const QColor& b) {
    const double first = luminance(a);
    const double second = luminance(b);
    return (std::max(first, second) + 0.05) / (std::min(first, second) + 0.05);
}

TextOver textOver(const QImage& behind) {
    const QColor light(Qt::white);
    const QColor dark(0x1a, 0x1a, 0x1a);
    const QColor none(Qt::transparent);
    const double onLight = worstContrast(light, none, behind);
    const double onDark = worstContrast(dark, none, behind);
    const bool lightText = onLight >= onDark;
    if (std::max(onLight, onDark) >= kReadableContrast)
        return {lightText ? light : dark, none};
    // Neither is readable everywhere: a backing that darkens (or lightens) the picture enough,
    // with a little to spare for the rounding of the painter's blending.
    QColor backing = lightText ? QColor(0, 0, 0) : QColor(255, 255, 255);
    for (int alpha = 64; alpha <= 255; alpha += 16) {
        backing.setAlpha(alpha);
        if (worstContrast(lightText ? light : dark, backing, behind) >= kReadableContrast + 0.25)
            break;
    }
    return {lightText ? light : dark, backing};
}

}  // namespace nubexa::app
