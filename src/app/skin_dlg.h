#pragma once

#include <QPointer>
#include <QRect>

#include "app/frameless_window.h"

class QListWidget;

namespace nubexa::app {

namespace skin_rects {
inline constexpr QSize kWindow{380, 320};
inline constexpr QRect kTitle{10, 10, 360, 25};
inline constexpr QRect kTitleText{10, 5, 100, 20};  // inside the title picture
inline constexpr QRect kList{20, 45, 350, 205};
inline constexpr QSize kThumbnail{97, 62};
inline constexpr int kItemSpacing = 3;
}  // namespace skin_rects

// The skin chooser: a popup under the skin button of the main window listing the seven skins.
// A choice is applied at once to `target` and to the popup itself; choosing the skin already
// shown does nothing. It closes (and deletes itself) when it loses the focus, that is at a
// click anywhere outside it. GUI thread only.
class CSkinDlg : public FramelessWindow {
    Q_OBJECT
public:
    static inline const QString kTitle = QStringLiteral("Skin");

    // `current` is the index of the skin `target` shows; the list opens on it.
    CSkinDlg(FramelessWindow& target, int current);

    // Opens under the rectangle `anchor` (global coordinates): right edges aligned.
    void showUnder(const QRect& anchor);

    QListWidget* list() const { return m_list; }
    int current() const { return m_current; }

    // The background picture (below the image folder) of skin `index`.
    static QString backgroundOf(int index);
    // The skin whose background `picture` is; 0 when none is.
    static int indexOf(const QString& picture);

signals:
    // A new skin was applied to the target.
    void skinApplied(int index);

protected:
    bool event(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void choose(int index);

    QPointer<FramelessWindow> m_target;
    QListWidget* m_list;
    int m_current;
};

}  // namespace nubexa::app
