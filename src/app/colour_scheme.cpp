#include "app/colour_scheme.h"

#include <QApplication>
#include <QEvent>
#include <QPalette>
#include <QWidget>

namespace nubexa::app {

namespace {

const SchemeColours kLight{
    .surface = QColor(0xf7, 0xf9, 0xfc),
    .base = Qt::white,
    .header = QColor(0xee, 0xf3, 0xf9),
    .text = QColor(0x1d, 0x27, 0x33),
    .mutedText = QColor(0x4a, 0x5a, 0x6e),
    .border = QColor(0xb8, 0xc7, 0xdc),
    .link = QColor(0x1f, 0x5a, 0x9e),
    .accent = QColor(0x1f, 0x6f, 0xd1),
    .accentHover = QColor(0x1a, 0x5f, 0xb4),
    .accentDisabled = QColor(0xa9, 0xc6, 0xe6),
    .onAccent = Qt::white,
    .quiet = QColor(0xe4, 0xe9, 0xf0),
    .quietHover = QColor(0xd5, 0xdc, 0xe6),
    .danger = QColor(0xc6, 0x28, 0x28),
    .dangerHover = QColor(0xa8, 0x1f, 0x1f),
    .selection = QColor(0xd8, 0xe8, 0xfb),
    .selectedText = QColor(0x22, 0x22, 0x22),
    .menuHover = QColor(0xe8, 0xf1, 0xfd),
};

const SchemeColours kDark{
    .surface = QColor(0x1f, 0x24, 0x2b),
    .base = QColor(0x26, 0x2c, 0x34),
    .header = QColor(0x2e, 0x35, 0x3f),
    .text = QColor(0xe6, 0xeb, 0xf1),
    .mutedText = QColor(0xa9, 0xb4, 0xc2),
    .border = QColor(0x44, 0x4f, 0x5d),
    .link = QColor(0x8a, 0xb8, 0xf5),
    .accent = QColor(0x1f, 0x6f, 0xd1),
    .accentHover = QColor(0x1a, 0x5f, 0xb4),
    .accentDisabled = QColor(0x33, 0x4a, 0x66),
    .onAccent = Qt::white,
    .quiet = QColor(0x3a, 0x43, 0x50),
    .quietHover = QColor(0x46, 0x50, 0x5e),
    .danger = QColor(0xc6, 0x28, 0x28),
    .dangerHover = QColor(0xa8, 0x1f, 0x1f),
    .selection = QColor(0x2d, 0x4a, 0x6e),
    .selectedText = QColor(0xf0, 0xf4, 0xf8),
    .menuHover = QColor(0x25, 0x40, 0x5f),
};

ColourScheme g_active = ColourScheme::kLight;

bool isDark(const QPalette& palette) {
    return palette.color(QPalette::Window).lightness() < 128;
}

// The desktop's palette when it already has the scheme's lightness (a dark Plasma palette stays
// Plasma's); otherwise one made from the scheme's colours, so that message boxes, pickers and
// menus match the client's own windows.
QPalette paletteFor(ColourScheme scheme) {
    static const QPalette desktop = QApplication::palette();
    if (isDark(desktop) == (scheme == ColourScheme::kDark))
        return desktop;
    const SchemeColours& c = coloursOf(scheme);
    QPalette made = desktop;
    for (auto group : {QPalette::Active, QPalette::Inactive}) {
        made.setColor(group, QPalette::Window, c.surface);
        made.setColor(group, QPalette::WindowText, c.text);
        made.setColor(group, QPalette::Base, c.base);
        made.setColor(group, QPalette::AlternateBase, c.header);
        made.setColor(group, QPalette::Text, c.text);
        made.setColor(group, QPalette::Button, c.quiet);
        made.setColor(group, QPalette::ButtonText, c.text);
        made.setColor(group, QPalette::ToolTipBase, c.base);
        made.setColor(group, QPalette::ToolTipText, c.text);
        made.setColor(group, QPalette::PlaceholderText, c.mutedText);
        made.setColor(group, QPalette::Highlight, c.accent);
        made.setColor(group, QPalette::HighlightedText, c.onAccent);
        made.setColor(group, QPalette::Link, c.link);
        made.setColor(group, QPalette::BrightText, c.onAccent);
        made.setColor(group, QPalette::Light, c.border.lighter(130));
        made.setColor(group, QPalette::Midlight, c.border.lighter(115));
        made.setColor(group, QPalette::Mid, c.border);
        made.setColor(group, QPalette::Dark, c.border.darker(130));
        made.setColor(group, QPalette::Shadow, Qt::black);
    }
    made.setColor(QPalette::Disabled, QPalette::WindowText, c.mutedText);
    made.setColor(QPalette::Disabled, QPalette::Text, c.mutedText);
    made.setColor(QPalette::Disabled, QPalette::ButtonText, c.mutedText);
    made.setColor(QPalette::Disabled, QPalette::Window, c.surface);
    made.setColor(QPalette::Disabled, QPalette::Base, c.surface);
    made.setColor(QPalette::Disabled, QPalette::Button, c.quiet);
    return made;
}

}  // namespace

const SchemeColours& coloursOf(ColourScheme scheme) {
    return scheme == ColourScheme::kDark ? kDark : kLight;
}

ColourScheme activeColourScheme() {
    return g_active;
}

const SchemeColours& activeColours() {
    return coloursOf(g_active);
}

void applyColourScheme(ColourScheme scheme) {
    g_active = scheme;
    QApplication::setPalette(paletteFor(scheme));
    // Qt hands a new palette to the widgets only once the event loop runs, and not to windows;
    // the scheme may change before (at start-up, in tests) and the windows need it too.
    QEvent changed(QEvent::ApplicationPaletteChange);
    for (QWidget* widget : QApplication::allWidgets())
        QCoreApplication::sendEvent(widget, &changed);
    emit ColourSchemeSignal::instance().changed();
}

void followColourScheme(QObject* context, std::function<void(const SchemeColours&)> style) {
    style(activeColours());
    QObject::connect(&ColourSchemeSignal::instance(), &ColourSchemeSignal::changed, context,
                     [style = std::move(style)] { style(activeColours()); });
}

void setSchemeStyleSheet(QWidget* widget, std::function<QString(const SchemeColours&)> sheet) {
    followColourScheme(widget, [widget, sheet = std::move(sheet)](const SchemeColours& colours) {
        widget->setStyleSheet(sheet(colours));
    });
}

QString accentButtonRules(const SchemeColours& colours, const QString& selector) {
    return QStringLiteral(
               "%1 { background: %2; color: %3; border: none; border-radius: 3px; }"
               "%1:hover { background: %4; }"
               "%1:disabled { background: %5; }"
               // A sheet's button draws no focus of its own: a ring inside, in the text's colour.
               "%1:focus { border: 2px solid %3; }")
        .arg(selector, colours.accent.name(), colours.onAccent.name(), colours.accentHover.name(),
             colours.accentDisabled.name());
}

QString quietButtonRules(const SchemeColours& colours, const QString& selector) {
    return QStringLiteral(
               "%1 { background: %2; color: %3; }"
               "%1:hover { background: %4; }"
               "%1:focus { border: 2px solid %5; border-radius: 3px; }")
        .arg(selector, colours.quiet.name(), colours.text.name(), colours.quietHover.name(),
             colours.accent.name());
}

QString choiceFocusRules(const SchemeColours& colours) {
    return QStringLiteral(
               "QCheckBox:focus, QRadioButton:focus { background: %1; border-radius: 3px; }")
        .arg(colours.menuHover.name());
}

ColourSchemeSignal& ColourSchemeSignal::instance() {
    static ColourSchemeSignal signal;
    return signal;
}

}  // namespace nubexa::app
