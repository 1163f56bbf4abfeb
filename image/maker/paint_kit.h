// Shared look of every picture: the palette, the font and small drawing helpers.
#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRectF>
#include <QString>

#include <functional>

#include "picture_catalog.h"

namespace nubexa::maker {

// One brand colour and its lighter and darker steps; neutrals for text and lines.
inline const QColor kBrand{0x2F, 0x80, 0xED};
inline const QColor kBrandLight{0x5B, 0x9D, 0xF3};
inline const QColor kBrandDark{0x1C, 0x62, 0xC7};
inline const QColor kBrandPale{0xE8, 0xF1, 0xFD};
inline const QColor kInk{0x1F, 0x29, 0x37};
inline const QColor kInkSoft{0x6B, 0x72, 0x80};
inline const QColor kLine{0xD5, 0xDD, 0xE8};
inline const QColor kPaper{0xF5, 0xF8, 0xFC};
inline const QColor kDanger{0xE5, 0x48, 0x4D};

// The page area's pictures have a twin for dark desktops: the neutrals below follow the tone of
// the pass, the brand colours stay.
enum class Tone { kLight, kDark };
void setTone(Tone tone);
struct Neutrals {
    QColor ink;
    QColor inkSoft;
    QColor line;
    QColor paper;     // raised panels
    QColor card;      // fields and cards
    QColor panelTop;  // the page panel's gradient
    QColor panelBottom;
    QColor track;  // the capacity bar's empty part
};
const Neutrals& neutrals();

// The CJK font every text is set in; fails loudly (see checkFont) when it is missing.
QFont textFont(int pixelSize, bool bold = false);
bool checkFont(QString* error);

// A text drawn into a picture, in the language of the pass (picture_words.h).
QString qs(const char* utf8);
// `font`, made smaller until `text` fits `width` points.
QFont fitted(QFont font, const QString& text, qreal width);
// drawText in the painter's font, made smaller where the text would not fit the box's width.
void fittedText(QPainter& painter, const QRectF& box, int flags, const QString& text);

// Every picture is drawn once per scale (1, then 2 for "name@2x.png"): the canvases below have
// that many pixels per point and say so as their device pixel ratio, so drawing code works in
// the catalog's points at either scale.
void setDrawScale(int scale);
int drawScale();

// A transparent ARGB canvas of the picture's size.
QImage canvas(const nubexa::pictures::Picture& picture);
QImage canvas(int width, int height);
// An opaque canvas (skins, banners) of that size.
QImage opaqueCanvas(int width, int height);
// The whole image in points.
QRectF area(const QImage& image);

// A painter with antialiasing for shapes and text.
void prepare(QPainter& painter);

// Text centred in a rectangle, optionally with a faint shadow for text over pictures.
void centredText(QPainter& painter, const QRectF& box, const QString& text, const QColor& colour,
                 const QFont& font, bool shadow = false);

// A sheet of side-by-side states (normal, hover, pressed), each drawn by `face`.
using StateFace = std::function<void(QPainter&, const QRectF& cell, int state)>;
QImage stateSheet(const nubexa::pictures::Picture& picture, const StateFace& face);

// A rounded rectangle path.
QPainterPath rounded(const QRectF& box, qreal radius);

// A rounded card filling `box`, with a hairline edge on whole pixels (none when `edge` is clear).
void card(QPainter& painter, const QRectF& box, const QBrush& fill, const QColor& edge,
          qreal radius);

// Simple line glyphs, drawn with the painter's pen inside `box`.
void glyphArrowUp(QPainter& painter, const QRectF& box);
void glyphArrowDown(QPainter& painter, const QRectF& box);
void glyphMagnifier(QPainter& painter, const QRectF& box);
void glyphCross(QPainter& painter, const QRectF& box);

}  // namespace nubexa::maker
