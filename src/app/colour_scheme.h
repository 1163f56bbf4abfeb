#pragma once

#include <functional>

#include <QColor>
#include <QObject>

class QWidget;

namespace nubexa::app {

enum class ColourScheme { kLight, kDark };

// The colours of the client's own widgets. Each text colour reaches 4.5:1 on the backgrounds it
// is drawn on, in both schemes; the skins' pictures keep their own colours.
struct SchemeColours {
    QColor surface;  // dialogs and the page area
    QColor base;     // lists and fields
    QColor header;   // list headers
    QColor text;
    QColor mutedText;  // captions, totals, notes
    QColor border;
    QColor link;
    QColor accent;  // buttons that do the thing, with onAccent text
    QColor accentHover;
    QColor accentDisabled;
    QColor onAccent;
    QColor quiet;  // cancel buttons
    QColor quietHover;
    QColor danger;  // buttons that delete
    QColor dangerHover;
    QColor selection;
    QColor selectedText;
    QColor menuHover;
};

const SchemeColours& coloursOf(ColourScheme scheme);
ColourScheme activeColourScheme();
const SchemeColours& activeColours();

// Makes `scheme` the client's: the application's palette and every follower below, at once.
void applyColourScheme(ColourScheme scheme);

// Calls `style` with the active colours now and after every change of scheme, for as long as
// `context` lives.
void followColourScheme(QObject* context, std::function<void(const SchemeColours&)> style);
// A widget's style sheet made from the active colours, remade at every change of scheme.
void setSchemeStyleSheet(QWidget* widget, std::function<QString(const SchemeColours&)> sheet);

// Style sheet rules for buttons that do the thing (white on the accent) and for quiet ones
// (cancel), under `selector`.
QString accentButtonRules(const SchemeColours& colours,
                          const QString& selector = QStringLiteral("QPushButton"));
QString quietButtonRules(const SchemeColours& colours, const QString& selector);
// A sheet's check boxes and radio buttons draw no focus of their own: a band behind the focused
// one.
QString choiceFocusRules(const SchemeColours& colours);

// Pushes scheme changes to the followers; one per process.
class ColourSchemeSignal : public QObject {
    Q_OBJECT
public:
    static ColourSchemeSignal& instance();

signals:
    void changed();
};

}  // namespace nubexa::app
