#pragma once

#include <QColor>

class QImage;

namespace nubexa::app {

// WCAG 2 contrast of two colours: from 1 (the same) to 21 (black on white). Text needs 4.5.
double contrastRatio(const QColor& a, const QColor& b);
inline constexpr double kReadableContrast = 4.5;

// The colours of a line of text over a picture: light or dark text, whichever the worst spot
// of `behind` leaves more readable, on a half-transparent backing where neither reaches 4.5.
struct TextOver {
    QColor text;
    QColor backing;  // transparent when none is needed
};
TextOver textOver(const QImage& behind);

}  // namespace nubexa::app
